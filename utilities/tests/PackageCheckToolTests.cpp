// TAVIKPackageCheck.exe run as a package author runs it: one package per note it can raise.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <random>
#include <set>
#include <string>

#include "ConsoleRun.h"
#include "PackageFolder.h"

namespace {

constexpr DWORD kRunBoundMs = 30000;

const char kTitle[] = "<TITLE>Camera Firmware Update</TITLE>\n";
const char kDevName[] = "<DEVNAME CHECK=\"ON\">ZP-Na7</DEVNAME>\n";
const char kFile1[] = "<UPDATEFILE ID=\"1\" SELECTOR=\"1\" TOOLTIP=\"Main\" FILENAME=\"a.bin\"/>\n";

std::string Good(const std::string& files) {
    return PackageXml(std::string(kTitle) + kDevName + "<UPDATEFILES>\n" + files +
                      "</UPDATEFILES>");
}

struct Checked {
    DWORD status = 0;
    nlohmann::json json;
    std::set<std::string> codes;
};

Checked Check(const PackageFolder& package) {
    ConsoleRun run(L"TAVIKPackageCheck.exe", L"--json \"" + package.Path() + L"\"");
    Checked checked;
    EXPECT_TRUE(run.WaitExit(kRunBoundMs));
    checked.status = run.exitCode();
    checked.json = nlohmann::json::parse(run.output(), nullptr, false);
    EXPECT_FALSE(checked.json.is_discarded()) << run.output();
    if (checked.json.is_object()) {
        for (const auto& note : checked.json["notes"]) {
            checked.codes.insert(note["code"].get<std::string>());
        }
    }
    return checked;
}

Checked CheckDescription(const std::string& xml,
                         std::initializer_list<const wchar_t*> files = {L"a.bin"}) {
    PackageFolder package;
    package.WriteDescription(xml);
    for (const wchar_t* name : files) {
        package.AddFile(name, "12345");
    }
    return Check(package);
}

}  // namespace

TEST(PackageCheckTool, TheSamplePackageIsClean) {
    PackageFolder package;
    package.WriteDescription(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<ORVANEUPDATE>\n"
        "  <TITLE>Camera Firmware Update</TITLE>\n  <DEVNAME CHECK=\"ON\">ZP-Na7</DEVNAME>\n"
        "  <UPDATEFILES>\n"
        "    <UPDATEFILE ID=\"1\" SELECTOR=\"1\" TOOLTIP=\"Main firmware\" FILENAME=\"main.bin\" "
        "TIMEOUT=\"120\" REBOOT=\"YES\"/>\n"
        "    <UPDATEFILE ID=\"2\" SELECTOR=\"2\" TOOLTIP=\"Logic\" FILENAME=\"logic*.bin\"/>\n"
        "  </UPDATEFILES>\n</ORVANEUPDATE>\n");
    package.AddFile(L"main.bin", "12345");
    package.AddFile(L"logic_0102.bin", "12345678");
    const Checked checked = Check(package);
    EXPECT_EQ(checked.status, 0u);
    EXPECT_EQ(checked.codes, std::set<std::string>{"reboot-ignored"}) << "information only";
    const auto& json = checked.json;
    EXPECT_EQ(json["title"], "Camera Firmware Update");
    EXPECT_EQ(json["deviceName"], "ZP-Na7");
    EXPECT_EQ(json["deviceNameCheck"], true);
    EXPECT_EQ(json["updateCanBeEnabled"], true);
    EXPECT_EQ(json["entries"][0]["file"], "main.bin");
    EXPECT_EQ(json["entries"][0]["size"], 5);
    EXPECT_EQ(json["entries"][0]["paddedSize"], 8);
    EXPECT_EQ(json["entries"][0]["timeoutMs"], 120000);
    EXPECT_EQ(json["entries"][1]["file"], "logic_0102.bin");
    EXPECT_EQ(json["entries"][1]["paddedSize"], 8);
    EXPECT_EQ(json["entries"][1]["timeoutMs"], 60000);
    for (int i = 2; i < 5; ++i) {
        EXPECT_EQ(json["entries"][i]["found"], false);
    }
}

TEST(PackageCheckTool, EachMistakeRaisesItsNote) {
    const std::string t(kTitle), d(kDevName), f(kFile1);
    const struct Case {
        const char* code;
        std::string xml;
        DWORD status;
    } cases[] = {
        {"walk-stopped", Good(f) + "<BROKEN>", 2},
        {"walk-stopped", "<!DOCTYPE x>\n" + Good(f), 2},
        {"no-entry-found", Good("<UPDATEFILE ID=\"1\" FILENAME=\"absent.bin\"/>\n"), 2},
        {"file-missing", Good(f + "<UPDATEFILE ID=\"2\" FILENAME=\"absent.bin\"/>\n"), 1},
        {"unknown-element", Good(f + "<UPDATEFILEZ ID=\"2\"/>\n"), 1},
        {"unknown-attribute", Good("<UPDATEFILE ID=\"1\" FILENAME=\"a.bin\" SELECTR=\"1\"/>\n"), 1},
        {"id-out-of-range", Good(f + "<UPDATEFILE ID=\"6\" FILENAME=\"a.bin\"/>\n"), 1},
        {"duplicate-id", Good(f + f), 1},
        {"timeout-defaulted", Good("<UPDATEFILE ID=\"1\" FILENAME=\"a.bin\" TIMEOUT=\"abc\"/>\n"),
         1},
        {"timeout-trailing-text",
         Good("<UPDATEFILE ID=\"1\" FILENAME=\"a.bin\" TIMEOUT=\"2m\"/>\n"), 1},
        {"timeout-held", Good("<UPDATEFILE ID=\"1\" FILENAME=\"a.bin\" TIMEOUT=\"9999999\"/>\n"),
         1},
        {"tooltip-cut",
         Good("<UPDATEFILE ID=\"1\" FILENAME=\"a.bin\" TOOLTIP=\"" + std::string(31, 'x') +
              "\"/>\n"),
         1},
        {"filename-refused", Good(f + "<UPDATEFILE ID=\"2\" FILENAME=\"..\\a.bin\"/>\n"), 1},
        {"filename-too-long",
         Good(f + "<UPDATEFILE ID=\"2\" FILENAME=\"" + std::string(259, 'n') + "\"/>\n"), 1},
        {"keyword-case",
         PackageXml(t + "<DEVNAME CHECK=\"on\">ZP-Na7</DEVNAME>\n<UPDATEFILES>" + f +
                    "</UPDATEFILES>"),
         1},
        {"self-closed-container",
         PackageXml(t + d + "<UPDATEFILES/>\n" + f + "<UPDATEFILES></UPDATEFILES>"), 1},
        {"outside-container", PackageXml(t + d + f + "<UPDATEFILES>" + f + "</UPDATEFILES>"), 1},
        {"no-title", PackageXml(d + "<UPDATEFILES>" + f + "</UPDATEFILES>"), 1},
        {"no-device-name", PackageXml(t + "<UPDATEFILES>" + f + "</UPDATEFILES>"), 1},
        {"device-name-unknown",
         PackageXml(t + "<DEVNAME>ZP-Na9</DEVNAME><UPDATEFILES>" + f + "</UPDATEFILES>"), 1},
        {"reboot-ignored", Good("<UPDATEFILE ID=\"1\" FILENAME=\"a.bin\" REBOOT=\"YES\"/>\n"), 0},
    };
    for (const Case& c : cases) {
        const Checked checked = CheckDescription(c.xml);
        EXPECT_EQ(checked.codes.count(c.code), 1u) << c.code << "\n" << checked.json.dump(1);
        EXPECT_EQ(checked.status, c.status) << c.code;
    }
}

TEST(PackageCheckTool, FilesTheLookUpPassesOverOrChoosesBetween) {
    PackageFolder package;
    package.WriteDescription(Good("<UPDATEFILE ID=\"1\" FILENAME=\"fw*.bin\"/>\n"));
    package.AddFolder(L"fw_0.bin");
    package.AddFile(L"fw_a.bin");
    package.AddFile(L"fw_b.bin");
    const Checked checked = Check(package);
    EXPECT_EQ(checked.codes.count("folder-passed-over"), 1u) << checked.json.dump(1);
    EXPECT_EQ(checked.codes.count("several-matches"), 1u);
    EXPECT_EQ(checked.status, 1u);
    const std::string taken = checked.json["entries"][0]["file"];
    EXPECT_TRUE(taken == "fw_a.bin" || taken == "fw_b.bin") << taken;
}

TEST(PackageCheckTool, AMissingDescriptionAndABadCommandLine) {
    PackageFolder empty;
    const Checked checked = Check(empty);
    EXPECT_EQ(checked.status, 2u);
    EXPECT_EQ(checked.codes.count("unreadable"), 1u);
    EXPECT_EQ(checked.json["updateCanBeEnabled"], false);

    ConsoleRun run(L"TAVIKPackageCheck.exe", L"--jason");
    ASSERT_TRUE(run.WaitExit(kRunBoundMs));
    EXPECT_EQ(run.exitCode(), 2u);
    EXPECT_NE(run.errors().find("usage: TAVIKPackageCheck"), std::string::npos) << run.errors();
}

TEST(PackageCheckTool, MutatedDescriptionsNeverBreakIt) {
    const std::string sample = Good(std::string(kFile1) +
                                    "<UPDATEFILE ID=\"2\" TOOLTIP=\"Logic\" FILENAME=\"a*\" "
                                    "TIMEOUT=\" 45s\"/>\n");
    std::mt19937 random(20261208);
    for (int i = 0; i < 60; ++i) {
        std::string xml = sample;
        switch (i % 3) {
            case 0:  // cut off
                xml.resize(random() % xml.size());
                break;
            case 1:  // bytes flipped
                for (int n = 0; n < 4; ++n) {
                    xml[random() % xml.size()] = static_cast<char>(random() & 0xFF);
                }
                break;
            default:  // a stretch repeated
            {
                const size_t from = random() % xml.size();
                xml.insert(from, xml.substr(from, random() % 40));
                break;
            }
        }
        const Checked checked = CheckDescription(xml);
        EXPECT_LE(checked.status, 2u) << i;
        EXPECT_TRUE(checked.json.is_object()) << i;
        EXPECT_EQ(checked.json["entries"].size(), 5u) << i;
    }
}
