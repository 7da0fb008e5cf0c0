// TAVIKPackageCheck reports what TAVIKUpdate shows and sends: both run on the same packages,
// the checker's report set against the dialog's labels and tool tips and the camera's journal.
#include <nlohmann/json.hpp>

#include <map>

#include "ConsoleOutput.h"
#include "ConsoleRun.h"
#include "UpdaterRun.h"

namespace e2e {
namespace {

constexpr int kFileLabels[] = {IDC_FILE1, IDC_FILE2, IDC_FILE3, IDC_FILE4, IDC_FILE5};
constexpr DWORD kRunMs = 30000;  // as natively; ConsoleRun widens it on a slow host
constexpr int32_t kStatusUnsuccessful = static_cast<int32_t>(0xC0000001u);
constexpr uint32_t kGetTransFunction = 15;

// The device check's requests as the camera received them, in order.
std::vector<uint32_t> DeviceCheckRequests(const Journal& journal) {
    std::vector<uint32_t> codes;
    for (const auto& entry : journal) {
        if (entry.code == kCodeGetTrans || entry.code == kCodeSetTrans ||
            entry.code == kCodeGetVersion || entry.code == kCodeGetCtrlCurrent) {
            codes.push_back(entry.code);
        }
    }
    return codes;
}

class CheckerAgreement : public UpdaterRun {
protected:
    // The checker's report on the working folder's package, as the updater would read it there.
    nlohmann::json CheckerReport() {
        ConsoleRun run(L"TAVIKPackageCheck.exe", L"--json", folder.Path());
        EXPECT_TRUE(run.WaitExit(kRunMs));
        return nlohmann::json::parse(run.output(), nullptr, false);
    }

    void ExpectAgreement(const Package& package) {
        ASSERT_NO_FATAL_FAILURE(WritePackage(package));
        const nlohmann::json report = CheckerReport();
        ASSERT_TRUE(report.is_object()) << "the checker gave no report";
        ASSERT_NO_FATAL_FAILURE(AttachCamera());
        ASSERT_NO_FATAL_FAILURE(Start());

        // What the dialog shows.
        EXPECT_EQ(TextOfItem(IDC_TITLE), FromUtf8(report["title"].get<std::string>()));
        EXPECT_EQ(TextOfItem(IDC_DEVNAME), FromUtf8(report["deviceName"].get<std::string>()));
        HWND toolTip = FindToolTipControl(updater.id(), dialog);
        ASSERT_NE(toolTip, nullptr);
        std::map<HWND, std::wstring> tips;
        for (const auto& tool :
             ToolsOf(toolTip, updater.handle()).value_or(std::vector<ToolView>{})) {
            tips[tool.Subject()] = tool.text;
        }
        std::map<HWND, std::wstring> expectedTips;
        for (int i = 0; i < 5; ++i) {
            const auto& entry = report["entries"][i];
            EXPECT_EQ(IsVisible(Item(kFileLabels[i])), entry["found"].get<bool>()) << i + 1;
            if (entry["found"].get<bool>()) {
                expectedTips[Item(kFileLabels[i])] = FromUtf8(entry["toolTip"].get<std::string>());
            }
        }
        EXPECT_EQ(tips, expectedTips);

        // What reaches the camera, in ID order.
        HWND box = nullptr;
        ASSERT_NO_FATAL_FAILURE(UpdateUntilBox(L"Finished", &box));
        ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
        std::vector<std::vector<uint32_t>> sent, reported;
        const Journal journal = ReadCameraJournal();
        for (size_t i = 0; i < journal.size(); ++i) {
            const auto data = SystemDataOf(journal[i]);
            if (journal[i].code == kCodeSetSystemData && data && i > 0) {
                sent.push_back(
                    {data->selector, data->length, InputWord(journal[i - 1], 0).value_or(0)});
            }
        }
        for (const auto& entry : report["entries"]) {
            if (entry["found"].get<bool>()) {
                reported.push_back({entry["selectorSent"].get<uint32_t>(),
                                    entry["paddedSize"].get<uint32_t>(),
                                    entry["timeoutMs"].get<uint32_t>()});
            }
        }
        EXPECT_EQ(sent, reported) << "selector, length and time-out of each write";
    }
};

TEST_F(CheckerAgreement, EdgeCasesOfTheDescription) {
    Package package;
    package.title = L"Edge <cases> & more";
    package.devName = L"ZP-Na7";
    package.entries = {
        {L"3", L"259", L"Third, selector over 255", L"c.bin", std::wstring(L" 45s")},
        {L"1", L"-1", L"A tooltip that is longer than thirty characters", L"a.bin",
         std::wstring(L"abc")},
        {L"2", L"2", L"Refused path", L"..\\a.bin", std::nullopt},
        {L"6", L"6", L"Out of range", L"a.bin", std::nullopt},
        {L"4", L"4", L"Wildcard", L"fw*.bin", std::wstring(L"1")},
        {L"5", L"5", L"First of two", L"a.bin", std::nullopt},
        {L"5", L"7", L"Second of two", L"e.bin", std::wstring(L"0")},
    };
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"a.bin", ImageBytes(5, 1)));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"c.bin", ImageBytes(0, 3)));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"fw_0102.bin", ImageBytes(9, 4)));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"e.bin", ImageBytes(8, 5)));
    ExpectAgreement(package);
}

TEST_F(CheckerAgreement, ThePackageWithoutTitleOrDeviceName) {
    Package package;
    package.entries = {{L"2", L"9", L"Only", L"only.bin", std::wstring(L"3")}};
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"only.bin", ImageBytes(7, 9)));
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    const nlohmann::json report = CheckerReport();
    ASSERT_TRUE(report.is_object());
    EXPECT_EQ(report["title"], "Orvane Update");
    EXPECT_EQ(report["deviceName"], "Orvane");
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(TextOfItem(IDC_TITLE), L"Orvane Update");
    EXPECT_EQ(TextOfItem(IDC_DEVNAME), L"Orvane");
    EXPECT_TRUE(IsVisible(Item(IDC_FILE2)));
}

// The checker's --camera against the updater on one camera, whose transfer-mode query fails:
// the updater passes that failure over, so the checker must predict that it goes ahead.
TEST_F(CheckerAgreement, ACameraWhoseTransferModeQueryFails) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_TRUE(sim.SetFault(kGetTransFunction, 0x1F, kStatusUnsuccessful));
    ConsoleRun run(L"TAVIKPackageCheck.exe", L"--camera --json", folder.Path());
    ASSERT_TRUE(run.WaitExit(kRunMs));
    const nlohmann::json report = nlohmann::json::parse(run.output(), nullptr, false);
    ASSERT_TRUE(report.is_object()) << run.output() << run.errors();
    const nlohmann::json& camera = report["camera"];
    EXPECT_EQ(run.exitCode(), 0u) << run.output();
    EXPECT_EQ(camera["failedQueries"], nlohmann::json::array({"OrvaneUtil_GetTrans"}));
    const std::vector<uint32_t> asked = DeviceCheckRequests(ReadCameraJournal());
    ASSERT_TRUE(sim.ClearJournal());

    ASSERT_TRUE(sim.SetFault(kGetTransFunction, 0x1F, kStatusUnsuccessful));
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());
    EXPECT_EQ(camera["updater"], "goes-ahead");
    EXPECT_EQ(camera["updateEnabled"], IsEnabled(Item(IDC_UPDATE)));
    EXPECT_EQ(VersionList(),
              std::vector<std::wstring>{FromUtf8(camera["versionLine"].get<std::string>())});
    EXPECT_TRUE(OtherWindows().empty()) << "no box, as the checker said";
    EXPECT_EQ(asked, DeviceCheckRequests(ReadCameraJournal())) << "the same queries, in order";
}

}  // namespace
}  // namespace e2e
