// What the updater would do with a package on a camera, for each way the device check can go.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cwchar>

#include "CameraVerdict.h"
#include "PackageReport.h"
#include "PackageReportFormat.h"

namespace {

PackageReport Package(const wchar_t* deviceName, bool check) {
    PackageReport report;
    report.folder = L".\\UPDATEFILES";
    report.readable = true;
    report.deviceNameSet = true;
    report.deviceName = deviceName;
    report.deviceNameCheck = check;
    for (const int i : {0, 2}) {
        CheckedEntry& c = report.entries[i];
        c.stored = c.entry.found = true;
        c.entry.selector = 0x100 + i;
        c.entry.timeoutMs = 60000;
        std::wcscpy(c.entry.fileName, i == 0 ? L"main.bin" : L"third.bin");
        c.sizeKnown = c.paddedKnown = true;
        c.size = 5;
        c.paddedSize = 8;
    }
    return report;
}

// A camera as the device check's queries find it: a known model answers every query.
CameraIdentity Camera(const wchar_t* model = L"ZP-Na7") {
    CameraAnswers answers;
    DeviceAnswers& device = answers.device;
    device.transferRead = device.versionRead = true;
    device.transferMode = 1;
    device.productCode = model[3] == L'N' ? 0x7012 : model[3] == L'M' ? 0x7013 : 0x7014;
    device.blockRead = device.productCode != 0x7014;
    return IdentifyCamera(answers);
}

CameraIdentity FailingCamera(bool transferFails, bool versionFails) {
    CameraAnswers answers;
    DeviceAnswers& device = answers.device;
    device.transferRead = !transferFails;
    device.versionRead = !versionFails;
    device.productCode = 0x7012;
    device.blockRead = !versionFails;
    answers.transferFailed = transferFails;
    answers.versionFailed = versionFails;
    answers.errorCodeRead = true;
    answers.libraryError = 31;
    return IdentifyCamera(answers);
}

struct Judged {
    PackageReport report;
    nlohmann::json camera;
    std::string codes;
};

Judged Judge(PackageReport report, const CameraIdentity& camera) {
    AddCameraVerdict(report, JudgeOnCamera(report, camera, 10));
    Judged judged{report, nlohmann::json::parse(FormatPackageJson(report))["camera"], ""};
    for (const PackageNote& note : report.notes) {
        judged.codes += std::string(note.code) + " ";
    }
    return judged;
}

}  // namespace

TEST(CameraVerdict, TheModelOfThePackageGoesAheadAndSendsEachFoundEntry) {
    const Judged judged = Judge(Package(L"ZP-Na7", false), Camera());
    EXPECT_EQ(judged.camera["updater"], "goes-ahead");
    EXPECT_EQ(judged.camera["updateEnabled"], true);
    ASSERT_EQ(judged.camera["sent"].size(), 2u);
    EXPECT_EQ(judged.camera["sent"][1]["id"], 3);
    EXPECT_EQ(judged.camera["sent"][1]["selectorSent"], 2) << "the low byte";
    EXPECT_EQ(judged.camera["sent"][1]["paddedSize"], 8);
    EXPECT_EQ(judged.codes, "");
    EXPECT_EQ(ExitStatus(judged.report), 0);
}

TEST(CameraVerdict, AMismatchEndsWithoutCheckAndAsksWithIt) {
    const Judged ends = Judge(Package(L"ZP-Na7", false), Camera(L"ZP-Mo7"));
    EXPECT_EQ(ends.camera["updater"], "warns-and-ends");
    EXPECT_EQ(ends.camera["message"], "Not ZP-Na7.");
    EXPECT_EQ(ends.camera["updateEnabled"], false);
    EXPECT_TRUE(ends.camera["sent"].empty());
    EXPECT_EQ(ends.codes, "camera-mismatch-ends ");
    EXPECT_EQ(ExitStatus(ends.report), 2);

    const Judged asks = Judge(Package(L"ZP-Na7", true), Camera(L"ZP-Mo7"));
    EXPECT_EQ(asks.camera["updater"], "asks");
    EXPECT_EQ(asks.camera["message"], "Not ZP-Na7.\r\nDoes it really update to ZP-Na7?");
    EXPECT_EQ(asks.camera["updateEnabled"], true) << "after Yes";
    EXPECT_EQ(asks.codes, "camera-mismatch-asks ");
    EXPECT_EQ(ExitStatus(asks.report), 1);
    EXPECT_NE(FormatPackageText(asks.report).find(L"\"Update\":     enabled after Yes"),
              std::wstring::npos);

    // The comparison is the updater's: exact, letter case and all.
    const Judged lower = Judge(Package(L"zp-na7", true), Camera());
    EXPECT_EQ(lower.camera["updater"], "asks");
}

TEST(CameraVerdict, ACameraTheUpdaterCannotIdentifyKeepsItWaiting) {
    const Judged unknown = Judge(Package(L"ZP-Na7", true), Camera(L"ZP-Xx7"));
    EXPECT_EQ(unknown.camera["updater"], "keeps-waiting");
    EXPECT_EQ(unknown.camera["updateEnabled"], false);
    EXPECT_EQ(unknown.codes, "camera-unknown-model ");

    const Judged query = Judge(Package(L"ZP-Na7", true), FailingCamera(false, true));
    EXPECT_EQ(query.camera["updater"], "keeps-waiting");
    EXPECT_EQ(query.camera["failedQueries"], nlohmann::json::array({"OrvaneUtil_GetVersion"}));
    EXPECT_EQ(query.codes, "camera-query-failed ");
    EXPECT_EQ(ExitStatus(query.report), 2);
}

TEST(CameraVerdict, AFailedTransferModeQueryIsPassedOverAsTheUpdaterPassesItOver) {
    const Judged judged = Judge(Package(L"ZP-Na7", false), FailingCamera(true, false));
    EXPECT_EQ(judged.camera["status"], "identified");
    EXPECT_EQ(judged.camera["updater"], "goes-ahead");
    EXPECT_EQ(judged.camera["updateEnabled"], true);
    EXPECT_TRUE(judged.camera["transferMode"].is_null());
    EXPECT_EQ(judged.camera["failedQueries"], nlohmann::json::array({"OrvaneUtil_GetTrans"}));
    EXPECT_EQ(judged.codes, "");
    EXPECT_EQ(ExitStatus(judged.report), 0);
    const std::wstring text = FormatPackageText(judged.report);
    EXPECT_NE(text.find(L"Transfer:     not read; the updater goes on without it\r\n"
                        L"Query:        OrvaneUtil_GetTrans failed, library error code 31\r\n"
                        L"The updater:  goes ahead"),
              std::wstring::npos)
        << text;
}

TEST(CameraVerdict, NoCameraOrNoDescriptionJudgeNothing) {
    const Judged none = Judge(Package(L"ZP-Na7", true), CameraIdentity());
    EXPECT_EQ(none.camera["status"], "no-camera");
    EXPECT_TRUE(none.camera["updater"].is_null());
    EXPECT_TRUE(none.camera["updateEnabled"].is_null());
    EXPECT_EQ(none.codes, "");
    EXPECT_NE(FormatPackageText(none.report).find(L"Camera:       none within 10 s"),
              std::wstring::npos);

    PackageReport unreadable;
    unreadable.folder = L"X";
    const Judged ends = Judge(unreadable, Camera());
    EXPECT_EQ(ends.camera["updater"], "ends-at-start");
    EXPECT_EQ(ends.camera["updateEnabled"], false);
}
