#include "CameraIdentity.h"

#include <cstring>
#include <cwchar>

#include "CameraOpenRefusal.h"
#include "ConsoleOutput.h"

CameraIdentity IdentifyCamera(const CameraAnswers& answers) {
    const DeviceAnswers& device = answers.device;
    CameraIdentity identity;
    identity.answers = device;
    if (answers.transferFailed) {
        identity.failedQueries.push_back(L"OrvaneUtil_GetTrans");
    } else if (device.transferRead) {
        identity.transferMode = device.transferMode;
    }
    if (answers.versionFailed) {
        identity.failedQueries.push_back(L"OrvaneUtil_GetVersion");
    }
    if (answers.blockFailed) {
        identity.failedQueries.push_back(L"OrvaneUtil_GetCtrlCurrent(61)");
    }
    identity.haveLibraryError = answers.errorCodeRead;
    identity.libraryError = answers.libraryError;
    identity.status = CameraStatus::QueryFailed;
    if (!device.versionRead) {
        return identity;
    }
    identity.haveProductCode = true;
    identity.productCode = device.productCode;
    if (device.blockRead) {
        identity.haveBlock = true;
        std::memcpy(identity.block, device.block, sizeof(identity.block));
    }
    const wchar_t* model = ModelName(identity.productCode);
    if (model == nullptr) {
        identity.status = CameraStatus::UnknownModel;
        return identity;
    }
    identity.model = model;
    if (device.blockRead) {
        identity.versionLine = FormatVersionLine(model, device.block);
        identity.status = CameraStatus::Identified;
    }
    return identity;
}

const char* CameraStatusName(CameraStatus status) {
    switch (status) {
        case CameraStatus::Identified:
            return "identified";
        case CameraStatus::NoCamera:
            return "no-camera";
        case CameraStatus::UnknownModel:
            return "unknown-model";
        case CameraStatus::QueryFailed:
            return "query-failed";
        case CameraStatus::OpenRefused:
            return "open-refused";
    }
    return "unknown";
}

std::optional<ToolError> CameraError(const CameraIdentity& identity) {
    switch (identity.status) {
        case CameraStatus::Identified:
            break;
        case CameraStatus::NoCamera:
            return ToolError{L"No camera within " + std::to_wstring(identity.waitSeconds) + L" s",
                             std::nullopt};
        case CameraStatus::OpenRefused:
            return ToolError{OpenRefusedLine(identity.openError), identity.openError};
        case CameraStatus::UnknownModel:
            return ToolError{L"Product code " + ProductCodeText(identity.productCode) +
                                 L" is not a model TAVIKUpdate knows",
                             std::nullopt};
        case CameraStatus::QueryFailed:
            return ToolError{FailedQueriesText(identity), std::nullopt};
    }
    return std::nullopt;
}

std::wstring OtherCamerasText(const CameraIdentity& identity) {
    if (identity.attached < 2 || identity.interfacePath.empty()) {
        return std::wstring();  // one camera, or none reported
    }
    return std::to_wstring(identity.attached) + L" attached; this report is of the first, " +
           identity.interfacePath;
}

std::wstring FailedQueriesText(const CameraIdentity& identity) {
    std::wstring text;
    for (const std::wstring& query : identity.failedQueries) {
        text += (text.empty() ? L"" : L", ") + query;
    }
    if (text.empty()) {
        return text;
    }
    return text + L" failed" +
           (identity.haveLibraryError
                ? L", library error code " + std::to_wstring(identity.libraryError)
                : std::wstring(L", no error code could be read"));
}

std::wstring ProductCodeText(uint16_t productCode) {
    wchar_t text[8];
    std::swprintf(text, 8, L"0x%04X", unsigned{productCode});
    return text;
}

std::string VersionBytesHex(const uint8_t (&block)[kVersionBlockSize]) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const uint8_t byte : block) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xF];
    }
    return hex;
}

void AddCameraFields(const CameraIdentity& identity, nlohmann::ordered_json& json) {
    using Json = nlohmann::ordered_json;
    json["status"] = CameraStatusName(identity.status);
    json["productCode"] = identity.haveProductCode ? Json(identity.productCode) : Json(nullptr);
    json["model"] = identity.model.empty() ? Json(nullptr) : Json(ToUtf8(identity.model));
    json["versionLine"] =
        identity.versionLine.empty() ? Json(nullptr) : Json(ToUtf8(identity.versionLine));
    json["versionBytes"] =
        identity.haveBlock ? Json(VersionBytesHex(identity.block)) : Json(nullptr);
    json["transferMode"] = identity.transferMode >= 0 ? Json(identity.transferMode) : Json(nullptr);
    Json failed = Json::array();
    for (const std::wstring& query : identity.failedQueries) {
        failed.push_back(ToUtf8(query));
    }
    json["failedQueries"] = failed;
    json["libraryError"] = identity.haveLibraryError ? Json(identity.libraryError) : Json(nullptr);
    json["camerasAttached"] = identity.attached >= 0 ? Json(identity.attached) : Json(nullptr);
    json["interfacePath"] =
        identity.interfacePath.empty() ? Json(nullptr) : Json(ToUtf8(identity.interfacePath));
    json["error"] = ErrorJson(CameraError(identity));
}
