#include "PackageConclusions.h"

#include <windows.h>

#include <cstring>
#include <cwctype>

#include "CheckNoteCodes.h"
#include "PackageDescription.h"
#include "PackageManifest.h"
#include "PackageNoteCodes.h"
#include "VersionText.h"

namespace {

void AddOnce(PackageReport& report, NoteSeverity severity, const char* code, std::wstring message) {
    if (!HasNote(report, code)) {
        AddNote(report, severity, code, std::move(message));
    }
}

// The name without white space, in upper case: how a near miss of a model name is told.
std::wstring Folded(const std::wstring& name) {
    std::wstring folded;
    for (const wchar_t c : name) {
        if (!std::iswspace(c)) {
            folded += static_cast<wchar_t>(std::towupper(c));
        }
    }
    return folded;
}

// The model the name misses only by white space or letter case; null if none.
const wchar_t* NearModel(const std::wstring& name) {
    const std::wstring folded = Folded(name);
    // Every product code, so that the updater's own table stays the one list of models.
    for (uint32_t code = 0; code <= 0xFFFF; ++code) {
        const wchar_t* model = ModelName(static_cast<uint16_t>(code));
        if (model != nullptr && Folded(model) == folded) {
            return model;
        }
    }
    return nullptr;
}

void ConcludeDeviceName(PackageReport& report) {
    const std::wstring consequence =
        report.deviceNameCheck
            ? L": every camera is a mismatch, and the operator must answer Yes to update"
            : L", and CHECK is not ON: the updater refuses every camera";
    if (!report.deviceNameSet) {
        // The walk noted it as a warning; without CHECK it stops every update.
        bool noted = false;
        for (PackageNote& note : report.notes) {
            if (std::strcmp(note.code, note_code::kNoDeviceName) == 0) {
                noted = true;
                if (!report.deviceNameCheck) {
                    note.severity = NoteSeverity::Error;
                    note.message += consequence;
                }
            }
        }
        if (!noted) {
            AddNote(report, report.deviceNameCheck ? NoteSeverity::Warning : NoteSeverity::Error,
                    note_code::kNoDeviceName,
                    L"no DEVNAME: the dialog shows \"" + std::wstring(kTemplateDeviceName) + L"\"" +
                        consequence);
        }
        return;
    }
    if (IsKnownModelName(report.deviceName)) {
        return;
    }
    const wchar_t* nearModel = NearModel(report.deviceName);
    AddNote(report, report.deviceNameCheck ? NoteSeverity::Warning : NoteSeverity::Error,
            check_code::kDeviceNameUnknown,
            L"\"" + report.deviceName + L"\" is not a model the updater knows" + consequence +
                (nearModel != nullptr ? std::wstring(L"; did you mean \"") + nearModel +
                                            L"\"? (white space and letter case count)"
                                      : std::wstring()));
}

// The package's own files, which a FILENAME or its wildcard ("*.xml") may pick as an image.
const wchar_t* PackageFileRole(const PackageReport& report, const wchar_t* name) {
    const auto same = [name](const wchar_t* other) {
        return CompareStringOrdinal(name, -1, other, -1, TRUE) == CSTR_EQUAL;
    };
    if (same(report.descriptionName.c_str()) || same(kPackageDescriptionName)) {
        return L"the package's description";
    }
    if (same(kManifestName)) {
        return L"the package's manifest";
    }
    return nullptr;
}

void ConcludeImages(PackageReport& report) {
    for (int i = 0; i < kUpdateFileCount; ++i) {
        const CheckedEntry& checked = report.entries[i];
        if (!checked.entry.found) {
            continue;
        }
        const std::wstring name = L"\"" + std::wstring(checked.entry.fileName) + L"\"";
        if (const wchar_t* role = PackageFileRole(report, checked.entry.fileName)) {
            AddNote(report, NoteSeverity::Warning, check_code::kPicksPackageFile,
                    L"FILENAME \"" + checked.given + L"\" picks " + name + L", " + role +
                        L", not a firmware image: the updater would send it into the camera",
                    i + 1);
        }
        if (checked.sizeKnown && !checked.paddedKnown) {
            AddNote(report, NoteSeverity::Error, check_code::kImageTooLarge,
                    name + L" is too large to be sent in one request", i + 1);
        } else if (checked.sizeKnown && checked.size == 0) {
            AddNote(report, NoteSeverity::Warning, check_code::kEmptyImage,
                    name + L" is empty: it is sent with length 0", i + 1);
        }
        for (int j = 0; j < i; ++j) {
            const CheckedEntry& earlier = report.entries[j];
            if (earlier.entry.found &&
                (earlier.entry.selector & 0xFF) == (checked.entry.selector & 0xFF)) {
                AddNote(report, NoteSeverity::Warning, check_code::kDuplicateSelector,
                        L"entries " + std::to_wstring(j + 1) + L" and " + std::to_wstring(i + 1) +
                            L" are both sent to selector " +
                            std::to_wstring(checked.entry.selector & 0xFF),
                        i + 1);
                break;
            }
        }
    }
}

}  // namespace

void AddConclusions(PackageReport& report) {
    if (!report.readable) {
        AddOnce(report, NoteSeverity::Error, note_code::kUnreadable,
                L"the description " + report.folder + L"\\" + kPackageDescriptionName +
                    L" is missing or cannot be read: the updater ends at once");
        return;
    }
    if (!report.titleSet) {
        AddOnce(report, NoteSeverity::Warning, note_code::kNoTitle,
                L"no TITLE: the dialog shows \"" + std::wstring(kTemplateTitle) + L"\"");
    }
    ConcludeDeviceName(report);
    ConcludeImages(report);
    if (!report.UpdateCanBeEnabled()) {
        AddOnce(report, NoteSeverity::Error, note_code::kNoEntryFound,
                L"no entry has a file that was found: \"Update\" would never be enabled");
    }
}
