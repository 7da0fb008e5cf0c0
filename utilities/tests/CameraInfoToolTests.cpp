// TAVIKInfo.exe run as a script would run it, against the simulated camera.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "CamSimControl.h"
#include "ConsoleRun.h"
#include "ConsoleOutput.h"
#include "ReplayScript.h"
#include "SystemErrorText.h"
#include "TempFolder.h"
#include "TavikVersion.h"
#include "ToolStatus.h"
#include "RunningUpdaterMark.h"

namespace {

constexpr DWORD kRunBoundMs = 30000;
constexpr uint32_t kSetCtrlCurrent = 0x00220024;

class CameraInfoTool : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok()) << "the simulated camera's driver is not running";
        ASSERT_TRUE(sim.Reset());
    }
    void TearDown() override { sim.Reset(); }

    std::vector<camsim::JournalEntry> Journal() {
        std::vector<camsim::JournalEntry> entries;
        EXPECT_TRUE(sim.ReadJournal(&entries));
        return entries;
    }

    camsim::Control sim;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST_F(CameraInfoTool, IdentifiesTheCameraAndChangesNothingInIt) {
    ASSERT_TRUE(sim.SetProductCode(0x7012));
    ASSERT_TRUE(sim.SetTransfer(1));
    ASSERT_TRUE(sim.Attach());
    // --wait 0 takes the library's first look, which finds a camera that is there.
    ConsoleRun run(L"TAVIKInfo.exe", L"--wait 0");
    ASSERT_TRUE(run.ok());
    ASSERT_TRUE(run.WaitExit(kRunBoundMs));
    EXPECT_EQ(run.exitCode(), 0u) << run.output() << run.errors();
    EXPECT_EQ(run.output(),
              "Product code:  0x7012\r\n"
              "Model:         ZP-Na7\r\n"
              "Version line:  ZP-Na7:Ver=110.05-0003-12\r\n"
              "Transfer mode: 1 (on)\r\n");
    // The library's own diagnostics go to standard error, never into the report.
    EXPECT_TRUE(Contains(run.errors(), "Symbolic link is")) << run.errors();

    // Only reads; the one control the camera receives is the library's own 0x3E, 0 then 1.
    std::vector<std::vector<uint8_t>> writes;
    for (const auto& entry : Journal()) {
        EXPECT_NE(entry.code, 0x00220040u) << "no transfer mode set";
        EXPECT_NE(entry.code, 0x00220050u) << "no system data written";
        if (entry.code == kSetCtrlCurrent) {
            writes.push_back(entry.input);
        }
    }
    const std::vector<std::vector<uint8_t>> expected = {{0x3E, 0, 0, 0, 0}, {0x3E, 0, 0, 0, 1}};
    EXPECT_EQ(writes, expected);
}

// A session recorded with TAVIK_TRACE gives the same report when the camera replays it, though
// the camera's own settings are back at their defaults (the other model, transfer on).
TEST_F(CameraInfoTool, ARecordedSessionReplaysToTheSameReport) {
    ASSERT_TRUE(sim.SetProductCode(0x7013));
    ASSERT_TRUE(sim.SetTransfer(0));
    ASSERT_TRUE(sim.Attach());
    TempFolder folder;
    const std::wstring trace = folder.PathOf(L"info.trace");
    ASSERT_TRUE(SetEnvironmentVariableW(L"TAVIK_TRACE", trace.c_str()));
    ConsoleRun recorded(L"TAVIKInfo.exe", L"--wait 0");
    SetEnvironmentVariableW(L"TAVIK_TRACE", nullptr);
    ASSERT_TRUE(recorded.WaitExit(kRunBoundMs));
    ASSERT_EQ(recorded.exitCode(), 0u) << recorded.errors();
    ASSERT_TRUE(Contains(recorded.output(), "0x7013")) << recorded.output();

    std::vector<uint8_t> script;
    std::string problem;
    ASSERT_TRUE(camsim::ScriptFromTraceFile(trace, &script, &problem)) << problem;
    ASSERT_TRUE(sim.LoadReplay(script));
    ConsoleRun replayed(L"TAVIKInfo.exe", L"--wait 0");
    ASSERT_TRUE(replayed.WaitExit(kRunBoundMs));
    EXPECT_EQ(replayed.exitCode(), 0u) << replayed.errors();
    EXPECT_EQ(replayed.output(), recorded.output());
    camsim::ReplayStatus status{};
    ASSERT_TRUE(sim.ReadReplayStatus(&status));
    EXPECT_EQ(status.state, camsim::kReplayComplete) << status.done << " of " << status.steps;
}

TEST_F(CameraInfoTool, JsonForTheOtherModel) {
    ASSERT_TRUE(sim.SetProductCode(0x7013));
    ASSERT_TRUE(sim.SetTransfer(0));
    ASSERT_TRUE(sim.Attach());
    ConsoleRun run(L"TAVIKInfo.exe", L"--json");
    ASSERT_TRUE(run.WaitExit(kRunBoundMs));
    EXPECT_EQ(run.exitCode(), 0u);
    const nlohmann::json json = nlohmann::json::parse(run.output());
    EXPECT_EQ(json["productCode"], 0x7013);
    EXPECT_EQ(json["model"], "ZP-Mo7");
    EXPECT_EQ(json["versionLine"], "ZP-Mo7:Ver=110.05-0003-12");
    EXPECT_EQ(json["transferMode"], 0);
}

TEST_F(CameraInfoTool, AModelTheUpdaterDoesNotKnow) {
    ASSERT_TRUE(sim.SetProductCode(0x7014));
    ASSERT_TRUE(sim.Attach());
    ConsoleRun run(L"TAVIKInfo.exe", L"");
    ASSERT_TRUE(run.WaitExit(kRunBoundMs));
    EXPECT_EQ(run.exitCode(), 2u);
    EXPECT_TRUE(Contains(run.output(), "0x7014")) << run.output();
    EXPECT_FALSE(Contains(run.output(), "Version line"));
}

// One status table for both tools: no camera is the same status in each, and --wait 0 does
// not wait. The checker's folder begins with a dash, after "--".
TEST_F(CameraInfoTool, NoCameraWithinTheWaitInBothTools) {
    ConsoleRun info(L"TAVIKInfo.exe", L"--wait 1");
    ASSERT_TRUE(info.WaitExit(kRunBoundMs));
    EXPECT_EQ(info.exitCode(), static_cast<DWORD>(kNoCameraStatus));
    EXPECT_EQ(info.output(), "No camera within 1 s\r\n");

    ConsoleRun check(L"TAVIKPackageCheck.exe", L"--camera --wait 0 -- -no-such-package");
    ASSERT_TRUE(check.WaitExit(kRunBoundMs));
    EXPECT_EQ(check.exitCode(), static_cast<DWORD>(kNoCameraStatus)) << check.errors();
    EXPECT_TRUE(Contains(check.output(), "Package:      -no-such-package\r\n")) << check.output();
    EXPECT_TRUE(Contains(check.output(), "Camera:       none within 0 s\r\n")) << check.output();
    EXPECT_TRUE(Journal().empty()) << "nothing reached a camera";
}

TEST_F(CameraInfoTool, AFailingQueryGivesTheLibrarysCode) {
    ASSERT_TRUE(sim.Attach());
    ASSERT_TRUE(sim.SetFault(26, 0x1F, static_cast<int32_t>(0xC0000001)));  // the version query
    ConsoleRun run(L"TAVIKInfo.exe", L"");
    ASSERT_TRUE(run.WaitExit(kRunBoundMs));
    EXPECT_EQ(run.exitCode(), static_cast<DWORD>(kErrorStatus)) << "a camera it cannot identify";
    EXPECT_TRUE(Contains(run.output(), "OrvaneUtil_GetVersion failed, library error code 31"))
        << run.output();
}

TEST_F(CameraInfoTool, WatchReportsTheRemoval) {
    uint32_t camera = 0;
    ASSERT_TRUE(sim.Attach(&camera));
    ConsoleRun run(L"TAVIKInfo.exe", L"--watch");
    ASSERT_TRUE(run.WaitOutput(
        [](const std::string& out) { return Contains(out, "Transfer mode:"); }, kRunBoundMs));
    ASSERT_FALSE(run.WaitExit(0)) << "still watching";
    ASSERT_TRUE(sim.Detach(camera));
    ASSERT_TRUE(run.WaitExit(kRunBoundMs));
    EXPECT_EQ(run.exitCode(), 0u);
    EXPECT_TRUE(Contains(run.output(), "Transfer mode: 1 (on)\r\nCamera removed\r\n"))
        << run.output();
}

namespace {
// Sent to every program on this test program's console, itself included, which takes it as
// handled. Left in place: the event reaches this program on a thread of its own, maybe late.
BOOL WINAPI TakeConsoleControl(DWORD) {
    return TRUE;
}
}  // namespace

TEST_F(CameraInfoTool, CtrlCDuringTheWatchEndsItWithStatus130) {
    // A console of this program's own, which the tool shares: a test run's standard handles
    // are files, and a console made for those takes no Ctrl+C.
    const HANDLE reportOut = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE reportErr = GetStdHandle(STD_ERROR_HANDLE);
    FreeConsole();
    const BOOL made = AllocConsole();
    const DWORD error = made ? 0 : GetLastError();
    SetStdHandle(STD_OUTPUT_HANDLE, reportOut);  // the test's report still goes where it went
    SetStdHandle(STD_ERROR_HANDLE, reportErr);
    ASSERT_TRUE(made) << "error " << error;
    ASSERT_TRUE(sim.Attach());
    ConsoleRun run(L"TAVIKInfo.exe", L"--watch");
    // The report comes after the tool has taken Ctrl+C over.
    ASSERT_TRUE(run.WaitOutput(
        [](const std::string& out) { return Contains(out, "Transfer mode:"); }, kRunBoundMs));
    ASSERT_TRUE(SetConsoleCtrlHandler(&TakeConsoleControl, TRUE));
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << "error " << GetLastError();
    ASSERT_TRUE(run.WaitExit(kRunBoundMs));
    EXPECT_EQ(run.exitCode(), 130u) << run.output() << run.errors();
    EXPECT_FALSE(Contains(run.output(), "Camera removed")) << run.output();
}

TEST_F(CameraInfoTool, WatchAsJsonLinesOneEventPerLine) {
    uint32_t camera = 0;
    ASSERT_TRUE(sim.Attach(&camera));
    ConsoleRun run(L"TAVIKInfo.exe", L"--watch --json");
    ASSERT_TRUE(
        run.WaitOutput([](const std::string& out) { return Contains(out, "\n"); }, kRunBoundMs));
    ASSERT_TRUE(sim.Detach(camera));
    ASSERT_TRUE(run.WaitExit(kRunBoundMs));
    EXPECT_EQ(run.exitCode(), 0u);

    std::vector<nlohmann::json> events;
    const std::string out = run.output();
    for (size_t start = 0; start < out.size();) {
        const size_t end = out.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "every line ends: " << out;
        events.push_back(nlohmann::json::parse(out.substr(start, end - start)));
        start = end + 1;
    }
    ASSERT_EQ(events.size(), 2u) << out;
    EXPECT_EQ(events[0]["event"], "report");
    EXPECT_EQ(events[0]["versionLine"], "ZP-Na7:Ver=110.05-0003-12");
    EXPECT_EQ(events[0]["schemaVersion"], 2);
    EXPECT_EQ(events[1]["event"], "removed");
    for (const auto& event : events) {
        const std::string time = event["time"];
        EXPECT_EQ(time.size(), 24u) << time;
        EXPECT_EQ(time.back(), 'Z') << "UTC: " << time;
        EXPECT_LE(events[0]["time"].get<std::string>(), time) << "in order";
    }
}

TEST_F(CameraInfoTool, RefusedWhileTheUpdaterIsOpen) {
    ASSERT_TRUE(sim.Attach());
    const RunningUpdaterMark updater;
    ASSERT_TRUE(updater.ok());
    ConsoleRun run(L"TAVIKInfo.exe", L"--json");
    ASSERT_TRUE(run.WaitExit(kRunBoundMs));
    EXPECT_EQ(run.exitCode(), 75u);
    EXPECT_TRUE(Contains(run.errors(), "TAVIKUpdate is open")) << run.errors();
    EXPECT_TRUE(Journal().empty()) << "the camera was not touched";
    // A script still reads one document, which says why.
    const nlohmann::json json = nlohmann::json::parse(run.output(), nullptr, false);
    ASSERT_TRUE(json.is_object()) << run.output();
    EXPECT_EQ(json["status"], "updater-open");
    EXPECT_TRUE(Contains(json["error"]["message"].get<std::string>(), "TAVIKUpdate is open"));
    EXPECT_TRUE(json["productCode"].is_null());
}

// Which camera: one that is there but will not open, or one of two. A suite of its own, so that
// each suite's entry stays within its time-out on a slow host.
using WhichCamera = CameraInfoTool;

// A camera that is there but whose open is refused is not "no camera": both tools say why, in
// the system's words, and neither asks it anything.
TEST_F(WhichCamera, ACameraThatCannotBeOpenedIsToldAsSuch) {
    uint32_t camera = 0;
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(sim.RefuseOpen(camera, true));
    const std::wstring why = SystemErrorText(ERROR_ACCESS_DENIED);
    ConsoleRun text(L"TAVIKInfo.exe", L"--wait 0");
    ASSERT_TRUE(text.WaitExit(kRunBoundMs));
    EXPECT_EQ(text.exitCode(), static_cast<DWORD>(kErrorStatus)) << text.errors();
    EXPECT_EQ(text.output(), ToUtf8(L"Camera found but cannot be opened: " + why + L"\r\n"));

    ConsoleRun json(L"TAVIKInfo.exe", L"--wait 0 --json");
    ASSERT_TRUE(json.WaitExit(kRunBoundMs));
    EXPECT_EQ(json.exitCode(), static_cast<DWORD>(kErrorStatus));
    const nlohmann::json report = nlohmann::json::parse(json.output());
    EXPECT_EQ(report["status"], "open-refused");
    EXPECT_EQ(report["error"]["code"], 5);
    EXPECT_EQ(report["error"]["words"], ToUtf8(SystemErrorWords(ERROR_ACCESS_DENIED)));
    EXPECT_EQ(report["camerasAttached"], 1);

    TempFolder package;
    WriteBytes(package.PathOf(L"TAVIKUpdate.xml"),
               "<ORVANEUPDATE><TITLE>T</TITLE><DEVNAME>ZP-Na7</DEVNAME><UPDATEFILES>"
               "<UPDATEFILE ID=\"1\" FILENAME=\"main.bin\"/></UPDATEFILES></ORVANEUPDATE>");
    WriteBytes(package.PathOf(L"main.bin"), "image");
    ConsoleRun check(L"TAVIKPackageCheck.exe",
                     L"--camera --wait 0 --json \"" + package.Path() + L"\"");
    ASSERT_TRUE(check.WaitExit(kRunBoundMs));
    const nlohmann::json checked = nlohmann::json::parse(check.output());
    EXPECT_EQ(checked["camera"]["status"], "open-refused");
    bool noted = false;
    for (const auto& note : checked["notes"]) {
        noted = noted || note["code"] == "camera-open-refused";
    }
    EXPECT_TRUE(noted) << check.output();
    EXPECT_EQ(checked["camera"]["updater"], "keeps-waiting");
    EXPECT_EQ(checked["camera"]["message"], report["error"]["message"]) << "the dialog's line";
    EXPECT_TRUE(Journal().empty()) << "a refused camera was asked something";
}

// With two cameras, the report says so and names the one it is of: the one the library opened.
TEST_F(WhichCamera, TwoCamerasAttachedNamesTheOneReported) {
    ASSERT_TRUE(sim.Attach());
    ASSERT_TRUE(sim.Attach());
    ConsoleRun run(L"TAVIKInfo.exe", L"--wait 0");
    ASSERT_TRUE(run.WaitExit(kRunBoundMs));
    EXPECT_EQ(run.exitCode(), 0u) << run.errors();
    const std::string marker = "Cameras:       2 attached; this report is of the first, ";
    const size_t at = run.output().find(marker);
    ASSERT_NE(at, std::string::npos) << run.output();
    const std::string path = run.output().substr(at + marker.size());
    EXPECT_TRUE(Contains(run.errors(), "Symbolic link is " + path.substr(0, path.find('\r'))))
        << "the library opened another: " << run.errors();
}

// Both tools print the one table, also for help asked the Windows way, and a bad command line,
// "-json" and "/json" included, is the usage status in each, with the right spelling named.
TEST(CameraInfoToolLine, HelpVersionAndABadCommandLineInBothTools) {
    for (const wchar_t* tool : {L"TAVIKInfo.exe", L"TAVIKPackageCheck.exe"}) {
        ConsoleRun help(tool, L"/HELP");
        ASSERT_TRUE(help.WaitExit(kRunBoundMs));
        EXPECT_EQ(help.exitCode(), 0u);
        EXPECT_TRUE(Contains(help.output(), ToUtf8(kExitStatusTable))) << help.output();
        EXPECT_TRUE(Contains(help.output(), "Output to a file or a pipe is UTF-8"));
        for (const wchar_t* bad : {L"--wait soon", L"-json", L"/json"}) {
            ConsoleRun run(tool, bad);
            ASSERT_TRUE(run.WaitExit(kRunBoundMs));
            EXPECT_EQ(run.exitCode(), static_cast<DWORD>(kUsageStatus));
            EXPECT_TRUE(Contains(run.errors(), "usage: TAVIK")) << run.errors();
            const bool oneDashOrSlash = bad[1] != L'-';
            EXPECT_EQ(Contains(run.errors(), "did you mean --json?"), oneDashOrSlash)
                << run.errors();
            EXPECT_TRUE(run.output().empty()) << run.output();
        }
    }
    ConsoleRun version(L"TAVIKInfo.exe", L"--version");
    ASSERT_TRUE(version.WaitExit(kRunBoundMs));
    EXPECT_EQ(version.exitCode(), 0u);
    EXPECT_EQ(version.output(), "TAVIKInfo " TAVIK_VERSION_STRING "\r\n");
}
