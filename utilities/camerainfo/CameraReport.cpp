#include "CameraReport.h"

#include "ConsoleOutput.h"
#include "ToolVersion.h"

namespace {

using Json = nlohmann::ordered_json;

Json Header() {
    Json json;
    json["schemaVersion"] = kSchemaVersion;
    json["toolVersion"] = kToolVersion;
    return json;
}

}  // namespace

std::wstring FormatReportText(const CameraIdentity& identity, uint32_t waitSeconds) {
    if (identity.status == CameraStatus::NoCamera) {
        return L"No camera within " + std::to_wstring(waitSeconds) + L" s\r\n";
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
    return text;
}

std::string FormatReportJson(const CameraIdentity& identity) {
    Json json = Header();
    AddCameraFields(identity, json);
    return json.dump(2) + "\n";
}

std::string FormatReportLine(const CameraIdentity& identity, const std::string& time) {
    Json json = Header();
    json["event"] = "report";
    json["time"] = time;
    AddCameraFields(identity, json);
    return json.dump() + "\n";
}

std::string FormatRemovedLine(const std::string& time) {
    return Json{{"event", "removed"}, {"time", time}}.dump() + "\n";
}
