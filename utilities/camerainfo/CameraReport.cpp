#include "CameraReport.h"

#include <nlohmann/json.hpp>

#include <cwchar>

#include "ConsoleOutput.h"

namespace {

const char* StatusName(CameraInfoStatus status) {
    switch (status) {
        case CameraInfoStatus::Identified:
            return "identified";
        case CameraInfoStatus::NoCamera:
            return "no-camera";
        case CameraInfoStatus::UnknownModel:
            return "unknown-model";
        case CameraInfoStatus::QueryFailed:
            return "query-failed";
    }
    return "unknown";
}

CameraReport Failed(CameraReport report, const wchar_t* query, const CameraAnswers& answers) {
    report.status = CameraInfoStatus::QueryFailed;
    report.failedQuery = query;
    report.haveLibraryError = answers.errorCodeRead;
    report.libraryError = answers.libraryError;
    return report;
}

std::wstring Hex4(uint16_t value) {
    wchar_t text[8];
    std::swprintf(text, 8, L"0x%04X", unsigned{value});
    return text;
}

}  // namespace

CameraReport InterpretAnswers(const CameraAnswers& answers) {
    CameraReport report;
    if (!answers.versionRead) {
        return Failed(report, L"OrvaneUtil_GetVersion", answers);
    }
    report.haveProductCode = true;
    report.productCode = answers.version.productCode;
    const wchar_t* model = ModelName(report.productCode);
    if (model == nullptr) {
        report.status = CameraInfoStatus::UnknownModel;
        return report;
    }
    report.model = model;
    if (!answers.blockRead) {
        return Failed(report, L"OrvaneUtil_GetCtrlCurrent(61)", answers);
    }
    report.versionLine = FormatVersionLine(model, answers.block);
    if (!answers.transferRead) {
        return Failed(report, L"OrvaneUtil_GetTrans", answers);
    }
    report.transferMode = answers.transferMode;
    report.status = CameraInfoStatus::Identified;
    return report;
}

std::wstring FormatReportText(const CameraReport& report, uint32_t waitSeconds) {
    if (report.status == CameraInfoStatus::NoCamera) {
        return L"No camera within " + std::to_wstring(waitSeconds) + L" s\r\n";
    }
    std::wstring text;
    if (report.haveProductCode) {
        text += L"Product code:  " + Hex4(report.productCode) + L"\r\n";
    }
    if (report.status == CameraInfoStatus::UnknownModel) {
        text += L"Model:         not a model the updater knows\r\n";
        return text;
    }
    if (!report.model.empty()) {
        text += L"Model:         " + report.model + L"\r\n";
    }
    if (!report.versionLine.empty()) {
        text += L"Version line:  " + report.versionLine + L"\r\n";
    }
    if (report.transferMode >= 0) {
        text += L"Transfer mode: " + std::to_wstring(report.transferMode) +
                (report.transferMode == 1 ? L" (on)" : L"") + L"\r\n";
    }
    if (report.status == CameraInfoStatus::QueryFailed) {
        text += report.failedQuery + L" failed";
        text += report.haveLibraryError
                    ? L", library error code " + std::to_wstring(report.libraryError)
                    : std::wstring(L", no error code could be read");
        text += L"\r\n";
    }
    return text;
}

std::string FormatReportJson(const CameraReport& report) {
    nlohmann::ordered_json json;
    json["status"] = StatusName(report.status);
    json["productCode"] = report.haveProductCode ? nlohmann::ordered_json(report.productCode)
                                                 : nlohmann::ordered_json(nullptr);
    json["model"] = report.model.empty() ? nlohmann::ordered_json(nullptr)
                                         : nlohmann::ordered_json(ToUtf8(report.model));
    json["versionLine"] = report.versionLine.empty()
                              ? nlohmann::ordered_json(nullptr)
                              : nlohmann::ordered_json(ToUtf8(report.versionLine));
    json["transferMode"] = report.transferMode >= 0 ? nlohmann::ordered_json(report.transferMode)
                                                    : nlohmann::ordered_json(nullptr);
    if (report.status == CameraInfoStatus::QueryFailed) {
        json["failedQuery"] = ToUtf8(report.failedQuery);
        json["libraryError"] = report.haveLibraryError ? nlohmann::ordered_json(report.libraryError)
                                                       : nlohmann::ordered_json(nullptr);
    }
    return json.dump(2) + "\n";
}

std::string FormatRemovedJson() {
    return nlohmann::ordered_json{{"event", "removed"}}.dump() + "\n";
}
