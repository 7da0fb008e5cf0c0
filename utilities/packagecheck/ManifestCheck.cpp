#include "ManifestCheck.h"

#include <windows.h>

#include <algorithm>

#include "CheckNoteCodes.h"
#include "PackageDescription.h"
#include "PackageManifest.h"
#include "Sha256.h"
#include "SystemErrorText.h"
#include "ToolStatus.h"
#include "UniqueAny.h"

namespace {

// The manifest is small; anything larger is not one.
constexpr DWORD kMaxManifestBytes = 1 << 20;

std::wstring InFolder(const PackageReport& report, const std::wstring& name) {
    return report.folder + L"\\" + name;
}

// The description and each found image once, in the order of their IDs.
std::vector<PackageFile> PackageFiles(const PackageReport& report) {
    std::vector<PackageFile> files{{report.descriptionName, report.descriptionSha256, 0}};
    for (int i = 0; i < kUpdateFileCount; ++i) {
        const CheckedEntry& checked = report.entries[i];
        if (!checked.entry.found) {
            continue;
        }
        bool known = false;
        for (const PackageFile& file : files) {
            known = known || CompareStringOrdinal(file.name.c_str(), -1, checked.entry.fileName, -1,
                                                  TRUE) == CSTR_EQUAL;
        }
        if (!known) {
            files.push_back({checked.entry.fileName, checked.sha256, i + 1});
        }
    }
    return files;
}

void NoteError(PackageReport& report, const char* code, std::wstring message) {
    AddNote(report, NoteSeverity::Error, code, std::move(message));
}

std::wstring SystemError(DWORD error) {
    return L": " + SystemErrorText(error);
}

void Verify(PackageReport& report);

// Whether a manifest is there that no longer matches the package, with the first thing that
// differs; checked on a copy, so that none of it is noted.
bool StaleManifest(const PackageReport& report, std::wstring* difference) {
    PackageReport copy = report;
    copy.notes.clear();
    Verify(copy);
    if (copy.manifest != ManifestState::Failed) {
        return false;
    }
    *difference = copy.notes.empty() ? std::wstring() : copy.notes.front().message;
    return true;
}

void Write(PackageReport& report) {
    report.manifest = ManifestState::NotWritten;
    if (!report.readable) {
        NoteError(report, check_code::kManifestNotWritten,
                  std::wstring(kManifestName) + L" is not written: the description cannot be read");
        return;
    }
    // A manifest vouches for a package fit to go out: one with errors gets none.
    if (NotesStatus(report) == kErrorStatus) {
        NoteError(report, check_code::kManifestNotWritten,
                  std::wstring(kManifestName) + L" is not written: the package has errors");
        return;
    }
    std::vector<ManifestLine> lines;
    for (const PackageFile& file : PackageFiles(report)) {
        if (file.sha256.empty()) {
            NoteError(report, check_code::kManifestNotWritten,
                      std::wstring(kManifestName) + L" is not written: \"" + file.name +
                          L"\" cannot be read");
            return;
        }
        lines.push_back({file.sha256, file.name});
    }
    std::wstring difference;
    const bool stale = StaleManifest(report, &difference);
    // Written beside, then put in place, so that no half-written manifest is ever read.
    const std::string text = FormatManifest(lines);
    const std::wstring path = InFolder(report, kManifestName);
    const std::wstring written = path + L".new";
    {
        const UniqueHandle file(CreateFileW(written.c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD count = 0;
        if (!file ||
            !WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &count, nullptr) ||
            count != text.size()) {
            const DWORD error = GetLastError();
            DeleteFileW(written.c_str());
            NoteError(report, check_code::kManifestNotWritten,
                      std::wstring(kManifestName) + L" cannot be written" + SystemError(error));
            return;
        }
    }
    if (!MoveFileExW(written.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = GetLastError();
        DeleteFileW(written.c_str());
        NoteError(report, check_code::kManifestNotWritten,
                  std::wstring(kManifestName) + L" cannot be put in place" + SystemError(error));
        return;
    }
    report.manifest = ManifestState::Written;
    report.manifestFiles = lines.size();
    if (stale) {
        report.manifestReplacedStale = true;
        AddNote(report, NoteSeverity::Info, check_code::kManifestReplaced,
                std::wstring(L"the ") + kManifestName +
                    L" it replaces no longer matched the package" +
                    (difference.empty() ? std::wstring() : L": " + difference));
    }
}

// False when there is no manifest; a manifest that cannot be read is noted.
bool ReadManifest(PackageReport& report, std::string* text) {
    const std::wstring path = InFolder(report, kManifestName);
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return false;
        }
        NoteError(report, check_code::kManifestUnreadable,
                  std::wstring(kManifestName) + L" cannot be read" + SystemError(error));
        return true;
    }
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxManifestBytes) {
        NoteError(report, check_code::kManifestUnreadable,
                  std::wstring(kManifestName) + L" cannot be read, or is too large to be one");
        return true;
    }
    text->resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!text->empty() &&
        (!ReadFile(file.get(), &(*text)[0], static_cast<DWORD>(text->size()), &read, nullptr) ||
         read != text->size())) {
        NoteError(report, check_code::kManifestUnreadable,
                  std::wstring(kManifestName) + L" cannot be read" + SystemError(GetLastError()));
        text->clear();
    }
    return true;
}

void Verify(PackageReport& report) {
    std::string text;
    if (!ReadManifest(report, &text)) {
        return;
    }
    report.manifest = ManifestState::Failed;
    if (HasNote(report, check_code::kManifestUnreadable)) {
        return;
    }
    std::vector<ManifestLine> lines;
    std::wstring error;
    if (!ParseManifest(text, &lines, &error)) {
        NoteError(report, check_code::kManifestMalformed,
                  std::wstring(kManifestName) + L": " + error);
        return;
    }
    report.manifestFiles = lines.size();
    const auto digestOf = [&report](const std::wstring& name) -> std::optional<std::string> {
        std::string hex;
        if (!Sha256OfFile(InFolder(report, name), &hex)) {
            return std::nullopt;
        }
        return hex;
    };
    std::vector<PackageFile> files;
    if (report.readable) {
        files = PackageFiles(report);
    }
    const std::vector<PackageNote> notes = VerifyManifest(lines, files, digestOf);
    report.notes.insert(report.notes.end(), notes.begin(), notes.end());
    const bool allRead = std::all_of(files.begin(), files.end(),
                                     [](const PackageFile& file) { return !file.sha256.empty(); });
    if (notes.empty() && allRead && report.readable) {
        report.manifest = ManifestState::Verified;
    }
}

}  // namespace

void WriteOrVerifyManifest(PackageReport& report, bool write) {
    if (write) {
        Write(report);
    } else {
        Verify(report);
    }
}
