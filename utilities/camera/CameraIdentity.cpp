#include "CameraIdentity.h"

#include <cstring>
#include <cwchar>

#include "ConsoleOutput.h"

namespace {

CameraIdentity Failed(CameraIdentity identity, const wchar_t* query, const CameraAnswers& answers) {
    identity.status = CameraStatus::QueryFailed;
    identity.failedQuery = query;
    identity.haveLibraryError = answers.errorCodeRead;
    identity.libraryError = answers.libraryError;
    return identity;
}

}  // namespace

CameraIdentity IdentifyCamera(const CameraAnswers& answers) {
    CameraIdentity identity;
    if (!answers.versionRead) {
        return Failed(identity, L"OrvaneUtil_GetVersion", answers);
    }
    identity.haveProductCode = true;
    identity.productCode = answers.version.productCode;
    if (answers.blockRead) {
        identity.haveBlock = true;
        std::memcpy(identity.block, answers.block, sizeof(identity.block));
    }
    if (answers.transferRead) {
        identity.transferMode = answers.transferMode;
    }
    const wchar_t* model = ModelName(identity.productCode);
    if (model == nullptr) {
        identity.status = CameraStatus::UnknownModel;
        return identity;
    }
    identity.model = model;
    if (!answers.blockRead) {
        return Failed(identity, L"OrvaneUtil_GetCtrlCurrent(61)", answers);
    }
    identity.versionLine = FormatVersionLine(model, answers.block);
    if (!answers.transferRead) {
        return Failed(identity, L"OrvaneUtil_GetTrans", answers);
    }
    identity.status = CameraStatus::Identified;
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
    }
    return "unknown";
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
    if (identity.status == CameraStatus::QueryFailed) {
        json["failedQuery"] = ToUtf8(identity.failedQuery);
        json["libraryError"] =
            identity.haveLibraryError ? Json(identity.libraryError) : Json(nullptr);
    }
}
