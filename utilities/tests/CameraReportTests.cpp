#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstring>

#include "CameraReport.h"
#include "ConsoleOutput.h"
#include "SystemErrorText.h"
#include "TimeStamp.h"
#include "ToolVersion.h"

namespace {

CameraAnswers IdentifiedAnswers(uint16_t productCode) {
    CameraAnswers answers;
    DeviceAnswers& device = answers.device;
    device.versionRead = true;
    device.productCode = productCode;
    device.blockRead = true;
    const uint8_t shown[] = {0x05, 0x00, 0x01, 0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0x01};
    std::memcpy(device.block + 4, shown, sizeof(shown));
    device.block[0] = 0xAB;  // not shown by the updater, yet part of the raw bytes
    device.transferRead = true;
    device.transferMode = 1;
    return answers;
}

nlohmann::json Json(const CameraIdentity& identity) {
    return nlohmann::json::parse(FormatReportJson(identity));
}

}  // namespace

TEST(CameraReport, IdentifiedCameraAsTextAndJson) {
    const CameraIdentity identity = IdentifyCamera(IdentifiedAnswers(0x7012));
    EXPECT_EQ(identity.status, CameraStatus::Identified);
    EXPECT_EQ(FormatReportText(identity),
              L"Product code:  0x7012\r\n"
              L"Model:         ZP-Na7\r\n"
              L"Version line:  ZP-Na7:Ver=110.05-0003-12\r\n"
              L"Transfer mode: 1 (on)\r\n");

    const nlohmann::json json = Json(identity);
    EXPECT_EQ(json["schemaVersion"], 2);
    EXPECT_EQ(json["toolVersion"], kToolVersion);
    EXPECT_EQ(json["status"], "identified");
    EXPECT_EQ(json["productCode"], 0x7012);
    EXPECT_EQ(json["model"], "ZP-Na7");
    EXPECT_EQ(json["versionLine"], "ZP-Na7:Ver=110.05-0003-12");
    EXPECT_EQ(json["versionBytes"], "ab00000005000101030000000201");
    EXPECT_EQ(json["transferMode"], 1);
    EXPECT_TRUE(json["failedQueries"].empty());
}

TEST(CameraReport, AnUnknownModelKeepsItsRawVersionBytesButNoLine) {
    const CameraIdentity identity = IdentifyCamera(IdentifiedAnswers(0x7014));
    EXPECT_EQ(identity.status, CameraStatus::UnknownModel);
    const std::wstring text = FormatReportText(identity);
    EXPECT_NE(text.find(L"0x7014"), std::wstring::npos);
    EXPECT_NE(text.find(L"Version bytes: ab00000005000101030000000201"), std::wstring::npos)
        << text.c_str();
    const nlohmann::json json = Json(identity);
    EXPECT_TRUE(json["model"].is_null());
    EXPECT_TRUE(json["versionLine"].is_null()) << "the updater shows no line for it";
    EXPECT_EQ(json["versionBytes"], "ab00000005000101030000000201");

    CameraAnswers unread = IdentifiedAnswers(0x7014);
    unread.device.blockRead = false;
    EXPECT_EQ(IdentifyCamera(unread).status, CameraStatus::UnknownModel)
        << "the model outweighs a later query";
    EXPECT_TRUE(Json(IdentifyCamera(unread))["versionBytes"].is_null()) << "nothing unread";
}

TEST(CameraReport, EachFailedQueryNamesItselfAndTheLibrarysCode) {
    struct Case {
        void (*spoil)(CameraAnswers&);
        const wchar_t* query;
        CameraStatus status;
    };
    const Case cases[] = {
        {[](CameraAnswers& a) {
             a.device.versionRead = false;
             a.versionFailed = true;
         },
         L"OrvaneUtil_GetVersion", CameraStatus::QueryFailed},
        {[](CameraAnswers& a) {
             a.device.blockRead = false;
             a.blockFailed = true;
         },
         L"OrvaneUtil_GetCtrlCurrent(61)", CameraStatus::QueryFailed},
        // The updater goes on without the transfer mode, and so does its identification.
        {[](CameraAnswers& a) {
             a.device.transferRead = false;
             a.transferFailed = true;
         },
         L"OrvaneUtil_GetTrans", CameraStatus::Identified},
    };
    for (const Case& c : cases) {
        CameraAnswers answers = IdentifiedAnswers(0x7013);
        c.spoil(answers);
        answers.errorCodeRead = true;
        answers.libraryError = 0x1F;
        const CameraIdentity identity = IdentifyCamera(answers);
        EXPECT_EQ(identity.status, c.status) << c.query;
        const std::wstring text = FormatReportText(identity);
        EXPECT_NE(text.find(std::wstring(c.query) + L" failed, library error code 31"),
                  std::wstring::npos)
            << text.c_str();
        EXPECT_EQ(Json(identity)["libraryError"], 31);
    }
    CameraAnswers unreadable = IdentifiedAnswers(0x7012);
    unreadable.device.versionRead = false;
    unreadable.versionFailed = true;
    EXPECT_TRUE(Json(IdentifyCamera(unreadable))["libraryError"].is_null());
}

TEST(CameraReport, NoCameraClaimsNothing) {
    CameraIdentity none;
    none.waitSeconds = 3;
    EXPECT_EQ(none.status, CameraStatus::NoCamera);
    EXPECT_EQ(FormatReportText(none), L"No camera within 3 s\r\n");
    const nlohmann::json json = Json(none);
    EXPECT_EQ(json["status"], "no-camera");
    for (const char* key : {"productCode", "model", "versionLine", "versionBytes", "transferMode",
                            "camerasAttached", "interfacePath"}) {
        EXPECT_TRUE(json[key].is_null()) << key;
    }
    EXPECT_EQ(json["error"]["message"], "No camera within 3 s");
    EXPECT_TRUE(json["error"]["code"].is_null()) << "no system error behind it";
    EXPECT_TRUE(json["error"]["words"].is_null());
}

// A camera that is there but will not open is not "no camera": the reason in the system's own
// words, its number kept; and where two are attached, which one the report is of.
TEST(CameraReport, ACameraThatCannotBeOpenedAndASecondCamera) {
    CameraIdentity refused;
    refused.status = CameraStatus::OpenRefused;
    refused.openError = ERROR_ACCESS_DENIED;
    refused.attached = 2;
    refused.interfacePath = L"\\\\?\\root#first";
    const std::wstring text = FormatReportText(refused);
    EXPECT_EQ(text, L"Camera found but cannot be opened: " + SystemErrorText(ERROR_ACCESS_DENIED) +
                        L"\r\nCameras:       2 attached; this report is of the first, "
                        L"\\\\?\\root#first\r\n");
    EXPECT_NE(text.find(L"(system error 5)"), std::wstring::npos) << text.c_str();
    const nlohmann::json json = Json(refused);
    EXPECT_EQ(json["status"], "open-refused");
    EXPECT_EQ(json["camerasAttached"], 2);
    EXPECT_EQ(json["error"]["code"], 5);
    EXPECT_EQ(json["error"]["words"], ToUtf8(SystemErrorWords(ERROR_ACCESS_DENIED)));
    EXPECT_FALSE(json["error"]["words"].get<std::string>().empty());

    CameraIdentity identified = IdentifyCamera(IdentifiedAnswers(0x7012));
    identified.attached = 1;
    EXPECT_EQ(FormatReportText(identified).find(L"Cameras:"), std::wstring::npos)
        << "one camera needs no word";
    EXPECT_TRUE(Json(identified)["error"].is_null());
}

// A run that ended before it looked still prints one document that says why.
TEST(CameraReport, ARunEndedEarlyIsADocumentToo) {
    const nlohmann::json json = nlohmann::json::parse(FormatEndedJson(
        "updater-open", {L"TAVIKUpdate is open", std::nullopt}, false, "2025-03-01T09:15:02.417Z"));
    EXPECT_EQ(json["schemaVersion"], 2);
    EXPECT_EQ(json["status"], "updater-open");
    EXPECT_EQ(json["error"]["message"], "TAVIKUpdate is open");
    EXPECT_TRUE(json["productCode"].is_null());
    EXPECT_FALSE(json.contains("event"));
    const std::string line =
        FormatEndedJson("library-not-started", SystemToolError(L"the library could not start", 8),
                        true, "2025-03-01T09:15:02.417Z");
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line with --watch";
    const nlohmann::json watched = nlohmann::json::parse(line);
    EXPECT_EQ(watched["event"], "report");
    EXPECT_EQ(watched["error"]["code"], 8);
}

TEST(CameraReport, WatchLinesEachHoldOneEventWithItsTime) {
    const std::string report =
        FormatReportLine(IdentifyCamera(IdentifiedAnswers(0x7012)), "2025-03-01T09:15:02.417Z");
    const std::string removed = FormatRemovedLine("2025-03-01T09:16:00.000Z");
    for (const std::string& line : {report, removed}) {
        EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line each: " << line;
    }
    const nlohmann::json first = nlohmann::json::parse(report);
    EXPECT_EQ(first["event"], "report");
    EXPECT_EQ(first["time"], "2025-03-01T09:15:02.417Z");
    EXPECT_EQ(first["schemaVersion"], 2);
    EXPECT_EQ(first["versionLine"], "ZP-Na7:Ver=110.05-0003-12");
    const nlohmann::json second = nlohmann::json::parse(removed);
    EXPECT_EQ(second["event"], "removed");

    SYSTEMTIME utc = {};
    utc.wYear = 2025;
    utc.wMonth = 3;
    utc.wDay = 1;
    utc.wHour = 9;
    utc.wMinute = 5;
    utc.wSecond = 2;
    utc.wMilliseconds = 7;
    EXPECT_EQ(FormatUtcTime(utc), "2025-03-01T09:05:02.007Z");
}
