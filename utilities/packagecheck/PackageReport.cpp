#include "PackageReport.h"

#include <windows.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>

#include "ConsoleOutput.h"
#include "ImageTransfer.h"
#include "VersionText.h"

namespace {

// Notes that only the whole picture gives, beside the walk's own.
constexpr char kDeviceNameUnknown[] = "device-name-unknown";
constexpr char kImageTooLarge[] = "image-too-large";

bool HasNote(const PackageReport& report, const char* code) {
    return std::any_of(report.notes.begin(), report.notes.end(), [code](const PackageNote& note) {
        return std::strcmp(note.code, code) == 0;
    });
}

void AddNote(PackageReport& report, NoteSeverity severity, const char* code, std::wstring message) {
    if (!HasNote(report, code)) {
        report.notes.push_back({severity, code, std::move(message), 0, 0});
    }
}

const char* SeverityName(NoteSeverity severity) {
    switch (severity) {
        case NoteSeverity::Info:
            return "info";
        case NoteSeverity::Warning:
            return "warning";
        case NoteSeverity::Error:
            return "error";
    }
    return "unknown";
}

std::wstring Position(const PackageNote& note) {
    if (note.line == 0) {
        return std::wstring();
    }
    return L" (line " + std::to_wstring(note.line) + L", column " + std::to_wstring(note.column) +
           L")";
}

}  // namespace

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

PackageReport CheckPackage(const std::wstring& folder) {
    PackageReport report;
    report.folder = folder;
    ReportSink sink(report);
    report.readable = LoadPackageDescription(sink, folder.c_str());
    if (report.readable) {
        // The updater's own look-up of all five entries, then what each found file weighs.
        UpdateFileEntry entries[kUpdateFileCount];
        for (int i = 0; i < kUpdateFileCount; ++i) {
            entries[i] = report.entries[i].entry;
        }
        ResolveAllUpdateFiles(entries, folder.c_str(), &sink);
        for (int i = 0; i < kUpdateFileCount; ++i) {
            CheckedEntry& checked = report.entries[i];
            checked.entry = entries[i];
            if (!checked.entry.found) {
                continue;
            }
            const std::wstring path = folder + L"\\" + checked.entry.fileName;
            WIN32_FILE_ATTRIBUTE_DATA data;
            if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
                checked.sizeKnown = true;
                checked.size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
                checked.paddedKnown = PaddedLength(checked.size, &checked.paddedSize);
            }
        }
    }
    AddConclusions(report);
    return report;
}

void AddConclusions(PackageReport& report) {
    if (!report.readable) {
        AddNote(report, NoteSeverity::Error, note_code::kUnreadable,
                L"the description " + report.folder + L"\\" + kPackageDescriptionName +
                    L" is missing or cannot be read: the updater ends at once");
        return;
    }
    if (!report.titleSet) {
        AddNote(report, NoteSeverity::Warning, note_code::kNoTitle,
                L"no TITLE: the dialog shows \"" + std::wstring(kTemplateTitle) + L"\"");
    }
    if (!report.deviceNameSet) {
        AddNote(report, NoteSeverity::Warning, note_code::kNoDeviceName,
                L"no DEVNAME: the dialog shows \"" + std::wstring(kTemplateDeviceName) +
                    L"\", and every camera is a mismatch");
    } else if (!IsKnownModelName(report.deviceName)) {
        AddNote(report, NoteSeverity::Warning, kDeviceNameUnknown,
                L"\"" + report.deviceName +
                    L"\" is not a model the updater knows: every camera would be a mismatch");
    }
    for (int i = 0; i < kUpdateFileCount; ++i) {
        const CheckedEntry& checked = report.entries[i];
        if (checked.entry.found && !checked.paddedKnown) {
            AddNote(report, NoteSeverity::Error, kImageTooLarge,
                    L"entry " + std::to_wstring(i + 1) +
                        L": the image is too large to be sent in one request");
        }
    }
    if (!report.UpdateCanBeEnabled()) {
        AddNote(report, NoteSeverity::Error, note_code::kNoEntryFound,
                L"no entry has a file that was found: \"Update\" would never be enabled");
    }
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

std::wstring FormatPackageText(const PackageReport& report) {
    std::wstring text = L"Package:      " + report.folder + L"\r\n";
    if (report.readable) {
        text += L"Title:        " + report.title + L"\r\n";
        text += L"Device name:  " + report.deviceName + L"\r\n";
        text += std::wstring(L"Mismatch:     ") +
                (report.deviceNameCheck ? L"the operator may update anyway"
                                        : L"the program ends after a warning") +
                L"\r\n";
        for (int i = 0; i < kUpdateFileCount; ++i) {
            const CheckedEntry& c = report.entries[i];
            text += L"Entry " + std::to_wstring(i + 1) + L":      ";
            if (!c.stored) {
                text += L"none\r\n";
                continue;
            }
            if (!c.entry.found) {
                text += L"not found";
                if (c.entry.fileName[0] != L'\0') {
                    text += L" (" + std::wstring(c.entry.fileName) + L")";
                }
            } else {
                text += std::wstring(c.entry.fileName);
                if (c.sizeKnown) {
                    text += L", " + std::to_wstring(c.size) + L" bytes";
                    if (c.paddedKnown) {
                        text += L", sent as " + std::to_wstring(c.paddedSize);
                    }
                }
            }
            text += L"; selector " + std::to_wstring(c.entry.selector) + L" (sent as " +
                    std::to_wstring(c.entry.selector & 0xFF) + L"), time-out " +
                    std::to_wstring(c.entry.timeoutMs) + L" ms, tooltip \"" +
                    std::wstring(c.entry.toolTip) + L"\"\r\n";
        }
        text += std::wstring(L"Update:       ") +
                (report.UpdateCanBeEnabled() ? L"can be enabled" : L"would never be enabled") +
                L"\r\n";
    }
    for (const PackageNote& note : report.notes) {
        text += FromUtf8(SeverityName(note.severity)) + L" " + FromUtf8(note.code) +
                Position(note) + L": " + note.message + L"\r\n";
    }
    return text;
}

std::string FormatPackageJson(const PackageReport& report) {
    using Json = nlohmann::ordered_json;
    Json json;
    json["folder"] = ToUtf8(report.folder);
    json["title"] = ToUtf8(report.title);
    json["deviceName"] = ToUtf8(report.deviceName);
    json["deviceNameCheck"] = report.deviceNameCheck;
    Json entries = Json::array();
    for (int i = 0; i < kUpdateFileCount; ++i) {
        const CheckedEntry& c = report.entries[i];
        Json entry;
        entry["id"] = i + 1;
        entry["found"] = c.entry.found;
        entry["file"] = c.stored && c.entry.fileName[0] != L'\0' ? Json(ToUtf8(c.entry.fileName))
                                                                 : Json(nullptr);
        entry["size"] = c.sizeKnown ? Json(c.size) : Json(nullptr);
        entry["paddedSize"] = c.sizeKnown && c.paddedKnown ? Json(c.paddedSize) : Json(nullptr);
        entry["selector"] = c.stored ? Json(c.entry.selector) : Json(nullptr);
        entry["selectorSent"] = c.stored ? Json(c.entry.selector & 0xFF) : Json(nullptr);
        entry["timeoutMs"] = c.stored ? Json(c.entry.timeoutMs) : Json(nullptr);
        entry["toolTip"] = c.stored ? Json(ToUtf8(c.entry.toolTip)) : Json(nullptr);
        entries.push_back(entry);
    }
    json["entries"] = entries;
    Json notes = Json::array();
    for (const PackageNote& note : report.notes) {
        notes.push_back({{"severity", SeverityName(note.severity)},
                         {"code", note.code},
                         {"message", ToUtf8(note.message)},
                         {"line", note.line},
                         {"column", note.column}});
    }
    json["notes"] = notes;
    json["updateCanBeEnabled"] = report.UpdateCanBeEnabled();
    return json.dump(2) + "\n";
}
