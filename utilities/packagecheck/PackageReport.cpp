#include "PackageReport.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "CheckNoteCodes.h"
#include "ImageTransfer.h"
#include "ManifestCheck.h"
#include "PackageConclusions.h"
#include "PackageDescription.h"
#include "PackageManifest.h"
#include "Sha256.h"
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
        if (!Sha256OfFile(path, &checked.sha256)) {
            checked.sha256.clear();
            AddNote(report, NoteSeverity::Error, check_code::kImageUnreadable,
                    L"\"" + std::wstring(checked.entry.fileName) +
                        L"\" cannot be read: the updater's run would fail at this image",
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

}  // namespace

PackageReport CheckPackage(const std::wstring& folder, bool writeManifest) {
    PackageReport report;
    report.folder = folder;
    ReportSink sink(report);
    report.readable = LoadPackageDescription(sink, folder.c_str());
    if (report.readable) {
        // The updater's own look-up of all five entries, but not of a device's name.
        UpdateFileEntry entries[kUpdateFileCount];
        bool refused[kUpdateFileCount] = {};
        for (int i = 0; i < kUpdateFileCount; ++i) {
            entries[i] = report.entries[i].entry;
            refused[i] =
                report.entries[i].stored && RefuseDeviceName(report, i, entries[i].fileName, false);
            if (refused[i]) {
                entries[i].fileName[0] = L'\0';
            }
        }
        ResolveAllUpdateFiles(entries, folder.c_str(), &sink);
        for (int i = 0; i < kUpdateFileCount; ++i) {
            if (refused[i]) {
                continue;
            }
            report.entries[i].entry = entries[i];
            CheckedEntry& checked = report.entries[i];
            if (checked.entry.found && RefuseDeviceName(report, i, checked.entry.fileName, true)) {
                checked.entry.found = false;
            }
        }
        report.descriptionName = NameOnDisk(folder, kPackageDescriptionName);
        if (!Sha256OfFile(folder + L"\\" + report.descriptionName, &report.descriptionSha256)) {
            report.descriptionSha256.clear();
            AddNote(report, NoteSeverity::Error, check_code::kDescriptionUnreadable,
                    L"the description was read, but it cannot be read again for its SHA-256: "
                    L"no manifest can vouch for it");
        }
        WeighImages(report);
    }
    WriteOrVerifyManifest(report, writeManifest);
    AddConclusions(report);
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

int ExitStatus(const PackageReport& report) {
    int status = 0;
    for (const PackageNote& note : report.notes) {
        if (note.severity == NoteSeverity::Error) {
            return 2;
        }
        if (note.severity == NoteSeverity::Warning) {
            status = 1;
        }
    }
    return status;
}
