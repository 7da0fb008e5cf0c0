#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstring>

#include "CameraReport.h"

namespace {

CameraAnswers IdentifiedAnswers(uint16_t productCode) {
    CameraAnswers answers;
    answers.versionRead = true;
    answers.version.productCode = productCode;
    answers.blockRead = true;
    const uint8_t shown[] = {0x05, 0x00, 0x01, 0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0x01};
    std::memcpy(answers.block + 4, shown, sizeof(shown));
    answers.transferRead = true;
    answers.transferMode = 1;
    return answers;
}

nlohmann::json Json(const CameraReport& report) {
    return nlohmann::json::parse(FormatReportJson(report));
}

}  // namespace

TEST(CameraReport, IdentifiedCameraAsTextAndJson) {
    const CameraReport report = InterpretAnswers(IdentifiedAnswers(0x7012));
    EXPECT_EQ(report.status, CameraInfoStatus::Identified);
    EXPECT_EQ(report.versionLine, L"ZP-Na7:Ver=110.05-0003-12");
    EXPECT_EQ(FormatReportText(report, 10),
              L"Product code:  0x7012\r\n"
              L"Model:         ZP-Na7\r\n"
              L"Version line:  ZP-Na7:Ver=110.05-0003-12\r\n"
              L"Transfer mode: 1 (on)\r\n");

    const nlohmann::json json = Json(report);
    EXPECT_EQ(json["status"], "identified");
    EXPECT_EQ(json["productCode"], 0x7012);
    EXPECT_EQ(json["model"], "ZP-Na7");
    EXPECT_EQ(json["versionLine"], "ZP-Na7:Ver=110.05-0003-12");
    EXPECT_EQ(json["transferMode"], 1);
    EXPECT_FALSE(json.contains("failedQuery"));
}

TEST(CameraReport, UnknownModelStopsAtTheProductCode) {
    CameraAnswers answers = IdentifiedAnswers(0x7014);
    const CameraReport report = InterpretAnswers(answers);
    EXPECT_EQ(report.status, CameraInfoStatus::UnknownModel);
    EXPECT_EQ(static_cast<int>(report.status), 2);
    EXPECT_TRUE(report.versionLine.empty()) << "the updater shows no line for it";
    EXPECT_NE(FormatReportText(report, 10).find(L"0x7014"), std::wstring::npos);
    const nlohmann::json json = Json(report);
    EXPECT_EQ(json["productCode"], 0x7014);
    EXPECT_TRUE(json["model"].is_null());
    EXPECT_TRUE(json["versionLine"].is_null());
}

TEST(CameraReport, EachFailedQueryNamesItselfAndTheLibrarysCode) {
    struct Case {
        void (*spoil)(CameraAnswers&);
        const wchar_t* query;
    };
    const Case cases[] = {
        {[](CameraAnswers& a) { a.versionRead = false; }, L"OrvaneUtil_GetVersion"},
        {[](CameraAnswers& a) { a.blockRead = false; }, L"OrvaneUtil_GetCtrlCurrent(61)"},
        {[](CameraAnswers& a) { a.transferRead = false; }, L"OrvaneUtil_GetTrans"},
    };
    for (const Case& c : cases) {
        CameraAnswers answers = IdentifiedAnswers(0x7013);
        c.spoil(answers);
        answers.errorCodeRead = true;
        answers.libraryError = 0x1F;
        const CameraReport report = InterpretAnswers(answers);
        EXPECT_EQ(report.status, CameraInfoStatus::QueryFailed) << c.query;
        EXPECT_EQ(report.failedQuery, c.query);
        const std::wstring text = FormatReportText(report, 10);
        EXPECT_NE(text.find(std::wstring(c.query) + L" failed, library error code 31"),
                  std::wstring::npos)
            << text.c_str();
        const nlohmann::json json = Json(report);
        EXPECT_EQ(json["status"], "query-failed");
        EXPECT_EQ(json["libraryError"], 31);
    }

    CameraAnswers unreadable = IdentifiedAnswers(0x7012);
    unreadable.versionRead = false;
    const CameraReport report = InterpretAnswers(unreadable);
    EXPECT_TRUE(Json(report)["libraryError"].is_null());
    EXPECT_NE(FormatReportText(report, 10).find(L"no error code could be read"),
              std::wstring::npos);
}

TEST(CameraReport, NoCameraAndRemoval) {
    const CameraReport none;
    EXPECT_EQ(static_cast<int>(none.status), 1);
    EXPECT_EQ(FormatReportText(none, 3), L"No camera within 3 s\r\n");
    const nlohmann::json json = Json(none);
    EXPECT_EQ(json["status"], "no-camera");
    for (const char* key : {"productCode", "model", "versionLine", "transferMode"}) {
        EXPECT_TRUE(json.contains(key)) << key;
        EXPECT_TRUE(json[key].is_null()) << key;
    }
    EXPECT_EQ(nlohmann::json::parse(FormatRemovedJson())["event"], "removed");
}
