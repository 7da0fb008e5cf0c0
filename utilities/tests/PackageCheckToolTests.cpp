// TAVIKPackageCheck.exe run as a package author's script runs it: its exit statuses, what goes
// to each output stream, its command line. The notes themselves are checked in-process.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

#include "ConsoleRun.h"
#include "PackageFolder.h"
#include "TavikVersion.h"

namespace {

constexpr DWORD kRunBoundMs = 30000;

// The sample package's description, with entry 2's SELECTOR as given.
std::string Sample(const std::string& secondSelector = "2") {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<ORVANEUPDATE>\n"
           "  <TITLE>Camera Firmware Update</TITLE>\n  <DEVNAME CHECK=\"ON\">ZP-Na7</DEVNAME>\n"
           "  <UPDATEFILES>\n"
           "    <UPDATEFILE ID=\"1\" SELECTOR=\"1\" TOOLTIP=\"Main firmware\" "
           "FILENAME=\"main.bin\" "
           "TIMEOUT=\"120\" REBOOT=\"YES\"/>\n"
           "    <UPDATEFILE ID=\"2\" SELECTOR=\"" +
           secondSelector +
           "\" TOOLTIP=\"Logic\" FILENAME=\"logic*.bin\"/>\n"
           "  </UPDATEFILES>\n</ORVANEUPDATE>\n";
}

struct Ran {
    DWORD status = 0;
    std::string out;
    std::string err;
};

Ran RunChecker(const std::wstring& arguments) {
    ConsoleRun run(L"TAVIKPackageCheck.exe", arguments);
    Ran ran;
    EXPECT_TRUE(run.WaitExit(kRunBoundMs)) << "still running";
    ran.status = run.exitCode();
    ran.out = run.output();
    ran.err = run.errors();
    return ran;
}

class PackageCheckTool : public ::testing::Test {
protected:
    void SetUp() override {
        package.WriteDescription(Sample());
        package.AddFile(L"main.bin", "abc");
        package.AddFile(L"logic_0102.bin", "12345678");
    }
    std::wstring Quoted() const { return L"\"" + package.Path() + L"\""; }

    PackageFolder package;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST_F(PackageCheckTool, TheSamplePackageAsJsonWithStatusZero) {
    const Ran ran = RunChecker(L"--json " + Quoted());
    EXPECT_EQ(ran.status, 0u) << ran.out;
    EXPECT_TRUE(ran.err.empty()) << ran.err;
    const nlohmann::json json = nlohmann::json::parse(ran.out);
    EXPECT_EQ(json["schemaVersion"], 2);
    EXPECT_EQ(json["entries"][0]["sha256"],
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(json["entries"][1]["file"], "logic_0102.bin");
    EXPECT_EQ(json["notes"][0]["code"], "reboot-ignored");
}

TEST_F(PackageCheckTool, WarningsAsTextWithStatusOne) {
    package.WriteDescription(Sample("0x2"));
    const Ran ran = RunChecker(Quoted());
    EXPECT_EQ(ran.status, 1u) << ran.out;
    EXPECT_TRUE(Contains(ran.out, "Title:        Camera Firmware Update\r\n")) << ran.out;
    EXPECT_TRUE(Contains(ran.out, "warning selector-not-decimal (entry 2, line 7, column "))
        << ran.out;
}

TEST_F(PackageCheckTool, TheManifestWrittenVerifiedAndFailingWithStatusTwo) {
    // Not for a package with errors: nothing is written, and the status says so.
    package.WriteDescription(Sample() + "<BROKEN>");
    const Ran refused = RunChecker(Quoted() + L" --write-manifest");
    EXPECT_EQ(refused.status, 2u) << refused.out;
    EXPECT_TRUE(Contains(refused.out, "Manifest:     TAVIKUpdate.sha256 not written\r\n"))
        << refused.out;
    EXPECT_TRUE(Contains(refused.out,
                         "error manifest-not-written: TAVIKUpdate.sha256 is not "
                         "written: the package has errors"))
        << refused.out;
    EXPECT_FALSE(FileExists(package.Path() + L"\\TAVIKUpdate.sha256"));

    package.WriteDescription(Sample());
    const Ran written = RunChecker(Quoted() + L" --write-manifest");
    EXPECT_EQ(written.status, 0u) << written.out;
    EXPECT_TRUE(Contains(written.out, "Manifest:     TAVIKUpdate.sha256 written, 3 files\r\n"))
        << written.out;
    EXPECT_TRUE(FileExists(package.Path() + L"\\TAVIKUpdate.sha256"));

    const Ran verified = RunChecker(Quoted());
    EXPECT_EQ(verified.status, 0u) << verified.out;
    EXPECT_TRUE(Contains(verified.out, "TAVIKUpdate.sha256 verified, 3 files")) << verified.out;

    package.AddFile(L"logic_0102.bin", "87654321");
    const Ran failed = RunChecker(Quoted() + L" --json");
    EXPECT_EQ(failed.status, 2u) << failed.out;
    const nlohmann::json json = nlohmann::json::parse(failed.out);
    EXPECT_EQ(json["manifest"]["state"], "failed");
    EXPECT_EQ(json["notes"].back()["code"], "digest-mismatch");
    EXPECT_EQ(json["notes"].back()["entry"], 2);

    // Written again, it says that it replaced one that no longer matched.
    const Ran rewritten = RunChecker(Quoted() + L" --write-manifest");
    EXPECT_EQ(rewritten.status, 0u) << rewritten.out;
    EXPECT_TRUE(Contains(rewritten.out,
                         "Manifest:     TAVIKUpdate.sha256 written, 3 files, in "
                         "place of one that no longer matched the package\r\n"))
        << rewritten.out;
    EXPECT_TRUE(Contains(rewritten.out,
                         "info manifest-replaced: the TAVIKUpdate.sha256 it "
                         "replaces no longer matched the package: "
                         "\"logic_0102.bin\" is not the file"))
        << rewritten.out;
}

TEST_F(PackageCheckTool, AQuotedFolderThatEndsInABackslashKeepsTheOptionsAfterIt) {
    const Ran ran = RunChecker(L"\"" + package.Path() + L"\\\" --json");
    EXPECT_EQ(ran.status, 0u) << ran.out << ran.err;
    const nlohmann::json json = nlohmann::json::parse(ran.out, nullptr, false);
    ASSERT_TRUE(json.is_object()) << "--json was not lost: " << ran.out;
    EXPECT_EQ(json["readable"], true);
}

TEST(PackageCheckToolLine, HelpVersionAndABadCommandLine) {
    const Ran help = RunChecker(L"/?");
    EXPECT_EQ(help.status, 0u);
    EXPECT_TRUE(Contains(help.out, "usage: TAVIKPackageCheck")) << help.out;
    EXPECT_TRUE(Contains(help.out, "64  a bad command line"));

    const Ran version = RunChecker(L"--version");
    EXPECT_EQ(version.status, 0u);
    EXPECT_EQ(version.out, "TAVIKPackageCheck " TAVIK_VERSION_STRING "\r\n");

    const Ran bad = RunChecker(L"--jason");
    EXPECT_EQ(bad.status, 64u);
    EXPECT_TRUE(bad.out.empty()) << bad.out;
    EXPECT_TRUE(Contains(bad.err, "usage: TAVIKPackageCheck")) << bad.err;

    // With --json a script gets a document even so.
    const Ran badJson = RunChecker(L"--json --jason");
    EXPECT_EQ(badJson.status, 64u);
    const nlohmann::json json = nlohmann::json::parse(badJson.out, nullptr, false);
    ASSERT_TRUE(json.is_object()) << badJson.out;
    EXPECT_EQ(json["status"], "bad-command-line");
    EXPECT_EQ(json["error"]["message"],
              "unknown option \"--jason\" (a folder that begins with - "
              "or / follows --)");
}
