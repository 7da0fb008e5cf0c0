#include "CameraReport.h"

#include "ConsoleOutput.h"

namespace {

using Json = nlohmann::ordered_json;

Json CameraFields(const CameraIdentity& identity) {
    Json fields;
    AddCameraFields(identity, fields);
    return fields;
}

// The fields after the header, and with --watch after the event and its time.
Json WithHeader(const Json& fields, const std::string* time) {
    Json json = DocumentHeader();
    if (time != nullptr) {
        json["event"] = "report";
        json["time"] = *time;
    }
    for (const auto& [key, value] : fields.items()) {
        json[key] = value;
    }
    return json;
}

std::wstring OtherCamerasLine(const CameraIdentity& identity) {
    const std::wstring others = OtherCamerasText(identity);
    return others.empty() ? others : L"Cameras:       " + others + L"\r\n";
}

}  // namespace

std::wstring FormatReportText(const CameraIdentity& identity) {
    if (identity.status == CameraStatus::NoCamera || identity.status == CameraStatus::OpenRefused) {
        return CameraError(identity)->message + L"\r\n" + OtherCamerasLine(identity);
    }
    std::wstring text;
    if (identity.haveProductCode) {
        text += L"Product code:  " + ProductCodeText(identity.productCode) + L"\r\n";
    }
    if (identity.status == CameraStatus::UnknownModel) {
        text += L"Model:         not a model the updater knows\r\n";
    } else if (!identity.model.empty()) {
        text += L"Model:         " + identity.model + L"\r\n";
    }
    if (!identity.versionLine.empty()) {
        text += L"Version line:  " + identity.versionLine + L"\r\n";
    } else if (identity.haveBlock) {
        text += L"Version bytes: " + FromUtf8(VersionBytesHex(identity.block)) + L"\r\n";
    }
    if (identity.transferMode >= 0) {
        text += L"Transfer mode: " + std::to_wstring(identity.transferMode) +
                (identity.transferMode == 1 ? L" (on)" : L"") + L"\r\n";
    }
    if (!identity.failedQueries.empty()) {
        text += FailedQueriesText(identity) + L"\r\n";
    }
    return text + OtherCamerasLine(identity);
}

std::string FormatReportJson(const CameraIdentity& identity) {
    return WithHeader(CameraFields(identity), nullptr).dump(2) + "\n";
}

std::string FormatReportLine(const CameraIdentity& identity, const std::string& time) {
    return WithHeader(CameraFields(identity), &time).dump() + "\n";
}

std::string FormatRemovedLine(const std::string& time) {
    return Json{{"event", "removed"}, {"time", time}}.dump() + "\n";
}

std::string FormatEndedJson(const char* status, const ToolError& error, bool watch,
                            const std::string& time) {
    Json fields = CameraFields(CameraIdentity());
    fields["status"] = status;
    fields["error"] = ErrorJson(error);
    return watch ? WithHeader(fields, &time).dump() + "\n"
                 : WithHeader(fields, nullptr).dump(2) + "\n";
}
