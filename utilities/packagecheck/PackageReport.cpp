#include "PackageReport.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "CheckNoteCodes.h"
#include "DescriptionEncoding.h"
#include "FolderHint.h"
#include "ImageTransfer.h"
#include "ManifestCheck.h"
#include "PackageConclusions.h"
#include "PackageDescription.h"
#include "PackageManifest.h"
#include "Sha256.h"
#include "SystemErrorText.h"
#include "ToolStatus.h"
#include "UniqueAny.h"
#include "UpdateFileLookup.h"

bool PackageReport::UpdateCanBeEnabled() const {
    return std::any_of(std::begin(entries), std::end(entries),
                       [](const CheckedEntry& e) { return e.entry.found; });
}

void ReportSink::SetTitleText(const wchar_t* text) {
    report_.titleSet = true;
    report_.title = text;
}

void ReportSink::SetDevNameText(const wchar_t* text) {
    report_.deviceNameSet = true;
    report_.deviceName = text;
}

void ReportSink::SetDevNameCheck(bool check) {
    report_.deviceNameCheck = check;
}

void ReportSink::StoreUpdateFile(int index, const UpdateFileEntry& candidate) {
    if (index < 0 || index >= kUpdateFileCount) {
        return;
    }
    CheckedEntry& checked = report_.entries[index];
    const bool found = checked.entry.found;
    checked.entry = candidate;
    checked.entry.found = found;
    checked.stored = true;
}

void ReportSink::Note(const PackageNote& note) {
    report_.notes.push_back(note);
}

namespace {

// ": Access is denied. (system error 5)", or nothing where no system error said why.
std::wstring Reason(DWORD error) {
    return error != 0 ? L": " + SystemErrorText(error) : std::wstring();
}

// What each found image weighs and its digest, as it lies on disk.
void WeighImages(PackageReport& report) {
    for (int i = 0; i < kUpdateFileCount; ++i) {
        CheckedEntry& checked = report.entries[i];
        if (!checked.entry.found) {
            continue;
        }
        const std::wstring path = report.folder + L"\\" + checked.entry.fileName;
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
            checked.sizeKnown = true;
            checked.size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
            checked.paddedKnown = PaddedLength(checked.size, &checked.paddedSize);
        }
        DWORD error = 0;
        if (!Sha256OfFile(path, &checked.sha256, &error)) {
            checked.sha256.clear();
            AddNote(report, NoteSeverity::Error, check_code::kImageUnreadable,
                    L"\"" + std::wstring(checked.entry.fileName) +
                        L"\" cannot be read, so the updater's run would fail at this image" +
                        Reason(error),
                    i + 1);
        }
    }
}

}  // namespace

namespace {

// A FILENAME, or the file it found, that names a device: noted, and never looked up or opened.
bool RefuseDeviceName(PackageReport& report, int index, const wchar_t* name, bool found) {
    if (!IsReservedDeviceName(name)) {
        return false;
    }
    AddNote(report, NoteSeverity::Error, check_code::kReservedName,
            L"\"" + std::wstring(name) + L"\" " + (found ? L"was found, but it " : L"") +
                L"names a device, not a file: it is not opened here, and the updater would "
                L"read the device",
            index + 1);
    return true;
}

// The description's name as the folder spells it, which sha256sum -c needs where letter case
// counts.
std::wstring NameOnDisk(const std::wstring& folder, const wchar_t* name) {
    WIN32_FIND_DATAW data = {};
    const UniqueFindHandle search(FindFirstFileW((folder + L"\\" + name).c_str(), &data));
    return search ? std::wstring(data.cFileName) : std::wstring(name);
}

// The updater's own look-up of all five entries, but not of a device's name.
void ResolveEntries(PackageReport& report, ReportSink& sink) {
    UpdateFileEntry entries[kUpdateFileCount];
    bool refused[kUpdateFileCount] = {};
    for (int i = 0; i < kUpdateFileCount; ++i) {
        CheckedEntry& checked = report.entries[i];
        entries[i] = checked.entry;
        checked.given = checked.entry.fileName;
        refused[i] = checked.stored && RefuseDeviceName(report, i, entries[i].fileName, false);
        if (refused[i]) {
            entries[i].fileName[0] = L'\0';
        }
    }
    ResolveAllUpdateFiles(entries, report.folder.c_str(), &sink);
    for (int i = 0; i < kUpdateFileCount; ++i) {
        if (refused[i]) {
            continue;
        }
        CheckedEntry& checked = report.entries[i];
        checked.entry = entries[i];
        if (checked.entry.found && RefuseDeviceName(report, i, checked.entry.fileName, true)) {
            checked.entry.found = false;
        }
    }
}

// The start of a file: enough for any description.
std::string LeadingBytes(const std::wstring& path) {
    constexpr DWORD kMaxBytes = 1 << 20;
    std::string bytes;
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD read = 0;
    bytes.resize(kMaxBytes);
    if (!file || !ReadFile(file.get(), &bytes[0], kMaxBytes, &read, nullptr)) {
        read = 0;
    }
    bytes.resize(read);
    return bytes;
}

// The description's name as spelt on disk, its digest and its encoding.
void ExamineDescription(PackageReport& report) {
    report.descriptionName = NameOnDisk(report.folder, kPackageDescriptionName);
    const std::wstring path = report.folder + L"\\" + report.descriptionName;
    DWORD error = 0;
    if (!Sha256OfFile(path, &report.descriptionSha256, &error)) {
        report.descriptionSha256.clear();
        AddNote(report, NoteSeverity::Error, check_code::kDescriptionUnreadable,
                L"the description was read, but it cannot be read again for its SHA-256, so no "
                L"manifest can vouch for it" +
                    Reason(error));
    }
    PackageNote note{NoteSeverity::Info, "", std::wstring(), 0, 0};
    if (EncodingNote(LeadingBytes(path), &note)) {
        report.notes.push_back(std::move(note));
    }
}

}  // namespace

PackageReport CheckPackage(const std::wstring& folder, bool writeManifest) {
    PackageReport report;
    report.folder = folder;
    ReportSink sink(report);
    report.readable = LoadPackageDescription(sink, folder.c_str());
    if (report.readable) {
        ResolveEntries(report, sink);
        ExamineDescription(report);
        WeighImages(report);
    } else {
        const std::wstring hint = FolderHint(folder, LookAroundFolder(folder));
        if (!hint.empty()) {
            AddNote(report, NoteSeverity::Info, check_code::kFolderHint, hint);
        }
    }
    // A manifest is written only for a package without errors, so everything else is noted
    // first; one that is checked is checked before the package's conclusions, as it was read.
    if (writeManifest) {
        AddConclusions(report);
        WriteOrVerifyManifest(report, true);
    } else {
        WriteOrVerifyManifest(report, false);
        AddConclusions(report);
    }
    return report;
}

void AddNote(PackageReport& report, NoteSeverity severity, const char* code, std::wstring message,
             int entry) {
    PackageNote note{severity, code, std::move(message), 0, 0};
    note.entry = entry;
    report.notes.push_back(std::move(note));
}

bool HasNote(const PackageReport& report, const char* code) {
    return std::any_of(report.notes.begin(), report.notes.end(), [code](const PackageNote& note) {
        return std::strcmp(note.code, code) == 0;
    });
}

int NotesStatus(const PackageReport& report) {
    int status = kCleanStatus;
    for (const PackageNote& note : report.notes) {
        if (note.severity == NoteSeverity::Error) {
            return kErrorStatus;
        }
        if (note.severity == NoteSeverity::Warning) {
            status = kWarningsStatus;
        }
    }
    return status;
}

namespace {

bool NoCameraCame(const PackageReport& report) {
    return report.camera && report.camera->identity.status == CameraStatus::NoCamera;
}

}  // namespace

int ExitStatus(const PackageReport& report) {
    if (report.cameraNotReached) {
        return report.cameraNotReached->exitStatus;
    }
    return NoCameraCame(report) ? kNoCameraStatus : NotesStatus(report);
}

const char* StatusName(const PackageReport& report) {
    if (report.cameraNotReached) {
        return report.cameraNotReached->status;
    }
    if (NoCameraCame(report)) {
        return "no-camera";
    }
    switch (NotesStatus(report)) {
        case kCleanStatus:
            return "clean";
        case kWarningsStatus:
            return "warnings";
        default:
            return "errors";
    }
}

std::optional<ToolError> RunError(const PackageReport& report) {
    if (report.cameraNotReached) {
        return report.cameraNotReached->error;
    }
    return NoCameraCame(report) ? CameraError(report.camera->identity) : std::nullopt;
}
