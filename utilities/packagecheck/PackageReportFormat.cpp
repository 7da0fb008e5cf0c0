#include "PackageReportFormat.h"

#include <nlohmann/json.hpp>

#include "ConsoleOutput.h"
#include "PackageManifest.h"
#include "SystemErrorText.h"
#include "ToolError.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr wchar_t kIndent[] = L"              ";  // under the values of the labelled lines

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

// Where a note points: its entry, its place in the description.
std::wstring Whereabouts(const PackageNote& note) {
    std::wstring parts;
    if (note.entry != 0) {
        parts = L"entry " + std::to_wstring(note.entry);
    }
    if (note.line != 0) {
        parts += (parts.empty() ? L"" : L", ") + std::wstring(L"line ") +
                 std::to_wstring(note.line) + L", column " + std::to_wstring(note.column);
    }
    return parts.empty() ? parts : L" (" + parts + L")";
}

std::wstring EntryText(const CheckedEntry& c) {
    if (!c.stored) {
        return L"none\r\n";
    }
    std::wstring text;
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
    if (!c.sha256.empty()) {
        text += std::wstring(kIndent) + L"sha256 " + FromUtf8(c.sha256) + L"\r\n";
    }
    return text;
}

std::wstring ManifestText(const PackageReport& report) {
    const std::wstring files = std::to_wstring(report.manifestFiles) + L" files";
    std::wstring text = L"Manifest:     " + std::wstring(kManifestName);
    switch (report.manifest) {
        case ManifestState::Absent:
            return L"Manifest:     none\r\n";
        case ManifestState::Verified:
            return text + L" verified, " + files + L"\r\n";
        case ManifestState::Failed:
            return text + L" does not match the package\r\n";
        case ManifestState::Written:
            return text + L" written, " + files +
                   (report.manifestReplacedStale
                        ? L", in place of one that no longer matched the package"
                        : L"") +
                   L"\r\n";
        case ManifestState::NotWritten:
            return text + L" not written\r\n";
    }
    return text + L"\r\n";
}

std::wstring ActionText(const CameraVerdict& verdict) {
    switch (verdict.action) {
        case UpdaterAction::None:
            return L"";
        case UpdaterAction::EndsAtStart:
            return L"ends at once: the description cannot be read";
        case UpdaterAction::GoesAhead:
            return L"goes ahead: the camera is the package's model";
        case UpdaterAction::WarnsAndEnds:
            return L"warns \"" + OneLine(verdict.message) + L"\" and ends";
        case UpdaterAction::Asks:
            return L"asks \"" + OneLine(verdict.message) + L"\"; only Yes goes on";
        case UpdaterAction::KeepsWaiting:
            return verdict.message.empty()
                       ? L"keeps waiting without a word; only Exit leads on"
                       : L"keeps waiting, its version line saying \"" + verdict.message + L"\"";
    }
    return L"";
}

const char* ActionName(UpdaterAction action) {
    switch (action) {
        case UpdaterAction::None:
            return nullptr;
        case UpdaterAction::EndsAtStart:
            return "ends-at-start";
        case UpdaterAction::GoesAhead:
            return "goes-ahead";
        case UpdaterAction::WarnsAndEnds:
            return "warns-and-ends";
        case UpdaterAction::Asks:
            return "asks";
        case UpdaterAction::KeepsWaiting:
            return "keeps-waiting";
    }
    return nullptr;
}

// What the check read of the camera's transfer, and what the updater does with it.
std::wstring TransferText(const CameraIdentity& camera) {
    if (camera.status == CameraStatus::OpenRefused) {
        return std::wstring();  // nothing was asked of it
    }
    if (camera.transferMode == 1) {
        return L"Transfer:     1 (on): the updater switches it off first; this check left it "
               L"on\r\n";
    }
    if (camera.transferMode >= 0) {
        return L"Transfer:     " + std::to_wstring(camera.transferMode) + L"\r\n";
    }
    return L"Transfer:     not read; the updater goes on without it\r\n";
}

std::wstring CameraText(const PackageReport& report) {
    const CameraVerdict& verdict = *report.camera;
    const CameraIdentity& camera = verdict.identity;
    const std::wstring others = OtherCamerasText(camera);
    const std::wstring othersLine = others.empty() ? others : L"Cameras:      " + others + L"\r\n";
    if (camera.status == CameraStatus::NoCamera) {
        return L"Camera:       none within " + std::to_wstring(verdict.waitSeconds) + L" s\r\n";
    }
    std::wstring text = L"Camera:       ";
    if (camera.status == CameraStatus::OpenRefused) {
        text += L"found, but it cannot be opened: " + SystemErrorText(camera.openError) + L"\r\n";
    } else if (!camera.haveProductCode) {
        text += L"not identified\r\n";
    } else {
        text +=
            (camera.model.empty() ? std::wstring(L"not a model the updater knows") : camera.model) +
            L", product code " + ProductCodeText(camera.productCode) + L"\r\n";
    }
    if (!camera.versionLine.empty()) {
        text += L"Version line: " + camera.versionLine + L"\r\n";
    } else if (camera.haveBlock) {
        text += L"Version bytes: " + FromUtf8(VersionBytesHex(camera.block)) + L"\r\n";
    }
    text += TransferText(camera);
    if (!camera.failedQueries.empty()) {
        text += L"Query:        " + FailedQueriesText(camera) + L"\r\n";
    }
    text += L"The updater:  " + ActionText(verdict) + L"\r\n";
    text +=
        std::wstring(L"\"Update\":     ") +
        (camera.status == CameraStatus::OpenRefused ? L"disabled while the camera cannot be opened"
         : !verdict.updateEnabled                   ? L"never enabled"
         : verdict.action == UpdaterAction::Asks    ? L"enabled after Yes"
                                                    : L"enabled") +
        L"\r\n";
    const wchar_t* label = L"Sent:         ";
    for (const int id : verdict.sent) {
        const CheckedEntry& c = report.entries[id - 1];
        text += label + std::wstring(L"entry ") + std::to_wstring(id) + L", " + c.entry.fileName +
                L": " + (c.paddedKnown ? std::to_wstring(c.paddedSize) + L" bytes" : L"its bytes") +
                L" to selector " + std::to_wstring(c.entry.selector & 0xFF) + L", time-out " +
                std::to_wstring(c.entry.timeoutMs) + L" ms\r\n";
        label = kIndent;
    }
    return othersLine + text;
}

Json NullOr(bool known, Json value) {
    return known ? std::move(value) : Json(nullptr);
}

Json EntryJson(int id, const CheckedEntry& c) {
    Json entry;
    entry["id"] = id;
    entry["found"] = c.entry.found;
    entry["file"] = NullOr(c.stored && c.entry.fileName[0] != L'\0', ToUtf8(c.entry.fileName));
    entry["size"] = NullOr(c.sizeKnown, c.size);
    entry["paddedSize"] = NullOr(c.sizeKnown && c.paddedKnown, c.paddedSize);
    entry["sha256"] = NullOr(!c.sha256.empty(), c.sha256);
    entry["selector"] = NullOr(c.stored, c.entry.selector);
    entry["selectorSent"] = NullOr(c.stored, c.entry.selector & 0xFF);
    entry["timeoutMs"] = NullOr(c.stored, c.entry.timeoutMs);
    entry["toolTip"] = NullOr(c.stored, ToUtf8(c.entry.toolTip));
    return entry;
}

const char* ManifestStateName(ManifestState state) {
    switch (state) {
        case ManifestState::Absent:
            return "absent";
        case ManifestState::Verified:
            return "verified";
        case ManifestState::Failed:
            return "failed";
        case ManifestState::Written:
            return "written";
        case ManifestState::NotWritten:
            return "not-written";
    }
    return "unknown";
}

Json CameraJson(const PackageReport& report) {
    const CameraVerdict& verdict = *report.camera;
    Json camera;
    AddCameraFields(verdict.identity, camera);
    const char* action = ActionName(verdict.action);
    camera["updater"] = action != nullptr ? Json(action) : Json(nullptr);
    camera["message"] = NullOr(!verdict.message.empty(), ToUtf8(verdict.message));
    camera["updateEnabled"] = NullOr(verdict.action != UpdaterAction::None, verdict.updateEnabled);
    Json sent = Json::array();
    for (const int id : verdict.sent) {
        const CheckedEntry& c = report.entries[id - 1];
        // The names of the entries' own fields: one name for one thing.
        sent.push_back({{"id", id},
                        {"file", ToUtf8(c.entry.fileName)},
                        {"paddedSize", NullOr(c.paddedKnown, c.paddedSize)},
                        {"selectorSent", c.entry.selector & 0xFF},
                        {"timeoutMs", c.entry.timeoutMs}});
    }
    camera["sent"] = sent;
    return camera;
}

}  // namespace

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
            text += L"Entry " + std::to_wstring(i + 1) + L":      " + EntryText(report.entries[i]);
        }
        text += std::wstring(L"Update:       ") +
                (report.UpdateCanBeEnabled() ? L"can be enabled" : L"would never be enabled") +
                L"\r\n";
    }
    text += ManifestText(report);
    if (report.camera) {
        text += CameraText(report);
    } else if (report.cameraNotReached) {
        text += L"Camera:       not reached: " + report.cameraNotReached->error.message + L"\r\n";
    }
    for (const PackageNote& note : report.notes) {
        text += FromUtf8(SeverityName(note.severity)) + L" " + FromUtf8(note.code) +
                Whereabouts(note) + L": " + note.message + L"\r\n";
    }
    return text;
}

std::string FormatPackageJson(const PackageReport& report) {
    Json json = DocumentHeader();
    json["status"] = StatusName(report);
    json["folder"] = ToUtf8(report.folder);
    json["readable"] = report.readable;
    // What the description gives (or the dialog shows in its stead) only where it was read.
    if (report.readable) {
        json["title"] = ToUtf8(report.title);
        json["deviceName"] = ToUtf8(report.deviceName);
        json["deviceNameCheck"] = report.deviceNameCheck;
        json["descriptionSha256"] =
            NullOr(!report.descriptionSha256.empty(), report.descriptionSha256);
        Json entries = Json::array();
        for (int i = 0; i < kUpdateFileCount; ++i) {
            entries.push_back(EntryJson(i + 1, report.entries[i]));
        }
        json["entries"] = entries;
    }
    json["updateCanBeEnabled"] = report.UpdateCanBeEnabled();
    json["manifest"] = {{"state", ManifestStateName(report.manifest)},
                        {"files", NullOr(report.manifest == ManifestState::Verified ||
                                             report.manifest == ManifestState::Written,
                                         report.manifestFiles)}};
    if (report.camera) {
        json["camera"] = CameraJson(report);
    } else if (report.cameraNotReached) {
        json["camera"] = nullptr;
    }
    Json notes = Json::array();
    for (const PackageNote& note : report.notes) {
        notes.push_back({{"severity", SeverityName(note.severity)},
                         {"code", note.code},
                         {"message", ToUtf8(note.message)},
                         {"entry", NullOr(note.entry != 0, note.entry)},
                         {"line", note.line},
                         {"column", note.column}});
    }
    json["notes"] = notes;
    json["error"] = ErrorJson(RunError(report));
    return json.dump(2) + "\n";
}
