// TAVIKPackageCheck.exe --camera against the simulated camera: what the updater would do with a
// package on the camera at hand, found by queries alone.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "CamSimControl.h"
#include "ConsoleRun.h"
#include "PackageFolder.h"
#include "RunningUpdaterMark.h"

namespace {

constexpr DWORD kRunBoundMs = 30000;
constexpr uint32_t kSetTrans = 0x00220040;
constexpr uint32_t kSetSystemData = 0x00220050;

class PackageCheckCamera : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok()) << "the simulated camera's driver is not running";
        ASSERT_TRUE(sim.Reset());
        package.AddFile(L"main.bin", "12345");
        package.AddFile(L"logic_0102.bin", "12");
    }
    void TearDown() override { sim.Reset(); }

    // A package for `devName`, CHECK="ON" or not, with two images.
    void WritePackage(const char* devName, bool check) {
        package.WriteDescription(PackageXml(
            std::string("<TITLE>Camera Firmware Update</TITLE>\n<DEVNAME") +
            (check ? " CHECK=\"ON\"" : "") + ">" + devName +
            "</DEVNAME>\n<UPDATEFILES>\n"
            "<UPDATEFILE ID=\"1\" SELECTOR=\"1\" TOOLTIP=\"Main\" FILENAME=\"main.bin\"/>\n"
            "<UPDATEFILE ID=\"2\" SELECTOR=\"2\" TOOLTIP=\"Logic\" FILENAME=\"logic*.bin\"/>\n"
            "</UPDATEFILES>"));
    }

    void Check(const std::wstring& options) {
        ConsoleRun run(L"TAVIKPackageCheck.exe",
                       L"\"" + package.Path() + L"\" --camera " + options);
        ASSERT_TRUE(run.WaitExit(kRunBoundMs));
        status = run.exitCode();
        out = run.output();
        err = run.errors();
    }

    nlohmann::json Camera() const {
        const nlohmann::json json = nlohmann::json::parse(out, nullptr, false);
        return json.is_object() ? json["camera"] : nlohmann::json();
    }

    // Whatever the run, nothing but queries and the library's own control 0x3E.
    void ExpectOnlyQueries() {
        std::vector<camsim::JournalEntry> journal;
        ASSERT_TRUE(sim.ReadJournal(&journal));
        for (const auto& entry : journal) {
            EXPECT_NE(entry.code, kSetTrans) << "no transfer mode set";
            EXPECT_NE(entry.code, kSetSystemData) << "no image written";
        }
    }

    camsim::Control sim;
    PackageFolder package;
    DWORD status = 0;
    std::string out;
    std::string err;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST_F(PackageCheckCamera, ThePackagesModelGoesAheadAndEachImageWouldBeSent) {
    WritePackage("ZP-Na7", true);
    ASSERT_TRUE(sim.SetProductCode(0x7012));
    ASSERT_TRUE(sim.SetTransfer(1));
    ASSERT_TRUE(sim.Attach());
    ASSERT_NO_FATAL_FAILURE(Check(L""));
    EXPECT_EQ(status, 0u) << out << err;
    EXPECT_TRUE(
        Contains(out,
                 "Camera:       ZP-Na7, product code 0x7012\r\n"
                 "Version line: ZP-Na7:Ver=110.05-0003-12\r\n"
                 "Transfer:     1 (on): the updater switches it off first; this check "
                 "left it on\r\n"
                 "The updater:  goes ahead: the camera is the package's model\r\n"
                 "\"Update\":     enabled\r\n"
                 "Sent:         entry 1, main.bin: 8 bytes to selector 1, time-out 60000 ms\r\n"
                 "              entry 2, logic_0102.bin: 4 bytes to selector 2, "
                 "time-out 60000 ms\r\n"))
        << out;
    ExpectOnlyQueries();
}

TEST_F(PackageCheckCamera, AMismatchWithoutCheckEndsTheUpdater) {
    WritePackage("ZP-Na7", false);
    ASSERT_TRUE(sim.SetProductCode(0x7013));
    ASSERT_TRUE(sim.Attach());
    ASSERT_NO_FATAL_FAILURE(Check(L"--json"));
    EXPECT_EQ(status, 2u) << out;
    const nlohmann::json camera = Camera();
    EXPECT_EQ(camera["model"], "ZP-Mo7");
    EXPECT_EQ(camera["updater"], "warns-and-ends");
    EXPECT_EQ(camera["message"], "Not ZP-Na7.");
    EXPECT_EQ(camera["updateEnabled"], false);
    ExpectOnlyQueries();
}

TEST_F(PackageCheckCamera, AMismatchWithCheckAsksTheOperator) {
    WritePackage("ZP-Na7", true);
    ASSERT_TRUE(sim.SetProductCode(0x7013));
    ASSERT_TRUE(sim.Attach());
    ASSERT_NO_FATAL_FAILURE(Check(L"--json"));
    EXPECT_EQ(status, 1u) << out;
    EXPECT_EQ(Camera()["updater"], "asks");
    EXPECT_EQ(Camera()["sent"].size(), 2u) << "after Yes";
}

TEST_F(PackageCheckCamera, AModelTheUpdaterDoesNotKnow) {
    WritePackage("ZP-Na7", true);
    ASSERT_TRUE(sim.SetProductCode(0x7014));
    ASSERT_TRUE(sim.Attach());
    ASSERT_NO_FATAL_FAILURE(Check(L"--json"));
    EXPECT_EQ(status, 2u) << out;
    const nlohmann::json camera = Camera();
    EXPECT_EQ(camera["status"], "unknown-model");
    EXPECT_EQ(camera["updater"], "keeps-waiting");
    EXPECT_TRUE(camera["versionBytes"].is_null()) << "the updater asks no block of it";
    EXPECT_TRUE(camera["versionLine"].is_null());
}

TEST_F(PackageCheckCamera, NoCameraWithinTheWaitHasItsOwnStatus) {
    WritePackage("ZP-Na7", true);
    ASSERT_NO_FATAL_FAILURE(Check(L"--wait 1"));
    EXPECT_EQ(status, 3u) << out;
    EXPECT_TRUE(Contains(out, "Camera:       none within 1 s\r\n")) << out;
    std::vector<camsim::JournalEntry> journal;
    ASSERT_TRUE(sim.ReadJournal(&journal));
    EXPECT_TRUE(journal.empty()) << "nothing reached a camera";
}

TEST_F(PackageCheckCamera, RefusedWhileTheUpdaterIsOpen) {
    WritePackage("ZP-Na7", true);
    ASSERT_TRUE(sim.Attach());
    const RunningUpdaterMark updater;
    ASSERT_TRUE(updater.ok());
    ASSERT_NO_FATAL_FAILURE(Check(L"--json"));
    EXPECT_EQ(status, 75u);
    EXPECT_TRUE(Contains(err, "TAVIKUpdate is open")) << err;
    // The package's report all the same, saying why the camera was left alone.
    const nlohmann::json json = nlohmann::json::parse(out, nullptr, false);
    ASSERT_TRUE(json.is_object()) << out;
    EXPECT_EQ(json["status"], "updater-open");
    EXPECT_TRUE(Contains(json["error"]["message"].get<std::string>(), "TAVIKUpdate is open"));
    EXPECT_TRUE(json["error"]["code"].is_null());
    EXPECT_TRUE(json["camera"].is_null());
    EXPECT_EQ(json["entries"][1]["file"], "logic_0102.bin");
    std::vector<camsim::JournalEntry> journal;
    ASSERT_TRUE(sim.ReadJournal(&journal));
    EXPECT_TRUE(journal.empty()) << "the camera was not touched";
}
