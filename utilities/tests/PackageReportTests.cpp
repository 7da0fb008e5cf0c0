#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cwchar>

#include "PackageCheckOptions.h"
#include "PackageReport.h"

namespace {

bool Has(const PackageReport& report, const char* code) {
    for (const PackageNote& note : report.notes) {
        if (std::string(note.code) == code) {
            return true;
        }
    }
    return false;
}

PackageReport GoodReport() {
    PackageReport report;
    report.folder = L".\\UPDATEFILES";
    report.readable = true;
    report.titleSet = true;
    report.title = L"Camera Firmware Update";
    report.deviceNameSet = true;
    report.deviceName = L"ZP-Na7";
    report.deviceNameCheck = true;
    CheckedEntry& first = report.entries[0];
    first.stored = true;
    first.entry.found = true;
    first.entry.selector = 0x101;
    first.entry.timeoutMs = 120000;
    std::wcscpy(first.entry.fileName, L"main.bin");
    std::wcscpy(first.entry.toolTip, L"Main firmware");
    first.sizeKnown = true;
    first.size = 5;
    first.paddedKnown = true;
    first.paddedSize = 8;
    return report;
}

}  // namespace

TEST(PackageReport, AGoodPackageHasNoNoteAndStatusZero) {
    PackageReport report = GoodReport();
    AddConclusions(report);
    EXPECT_TRUE(report.notes.empty());
    EXPECT_EQ(ExitStatus(report), 0);
    EXPECT_TRUE(report.UpdateCanBeEnabled());
}

TEST(PackageReport, ConclusionsFromTheWholePicture) {
    PackageReport none = GoodReport();
    none.entries[0].entry.found = false;
    AddConclusions(none);
    EXPECT_TRUE(Has(none, "no-entry-found"));
    EXPECT_EQ(ExitStatus(none), 2);

    PackageReport bare = GoodReport();
    bare.titleSet = false;
    bare.deviceNameSet = false;
    AddConclusions(bare);
    EXPECT_TRUE(Has(bare, "no-title"));
    EXPECT_TRUE(Has(bare, "no-device-name"));
    EXPECT_FALSE(Has(bare, "device-name-unknown")) << "said once, as no-device-name";
    EXPECT_EQ(ExitStatus(bare), 1);

    PackageReport unknown = GoodReport();
    unknown.deviceName = L"zp-na7";
    AddConclusions(unknown);
    EXPECT_TRUE(Has(unknown, "device-name-unknown"));

    PackageReport unreadable;
    unreadable.folder = L"X";
    AddConclusions(unreadable);
    ASSERT_EQ(unreadable.notes.size(), 1u) << "nothing else is known";
    EXPECT_TRUE(Has(unreadable, "unreadable"));
    EXPECT_EQ(ExitStatus(unreadable), 2);

    PackageReport huge = GoodReport();
    huge.entries[0].paddedKnown = false;
    AddConclusions(huge);
    EXPECT_TRUE(Has(huge, "image-too-large"));
    EXPECT_EQ(ExitStatus(huge), 2);
}

TEST(PackageReport, ANoteOfTheWalkIsNotRepeated) {
    PackageReport report = GoodReport();
    report.titleSet = false;
    report.notes.push_back({NoteSeverity::Warning, "no-title", L"from the walk", 3, 1});
    AddConclusions(report);
    ASSERT_EQ(report.notes.size(), 1u);
    EXPECT_EQ(report.notes[0].message, L"from the walk");
}

TEST(PackageReport, InfoNotesDoNotChangeTheStatus) {
    PackageReport report = GoodReport();
    report.notes.push_back({NoteSeverity::Info, "reboot-ignored", L"REBOOT", 6, 9});
    EXPECT_EQ(ExitStatus(report), 0);
}

TEST(PackageReport, JsonListsAllFiveEntriesAndEveryNote) {
    PackageReport report = GoodReport();
    report.notes.push_back(
        {NoteSeverity::Warning, "unknown-attribute", L"FILNAME is passed over; FILENAME?", 6, 24});
    const nlohmann::json json = nlohmann::json::parse(FormatPackageJson(report));
    EXPECT_EQ(json["folder"], ".\\UPDATEFILES");
    EXPECT_EQ(json["title"], "Camera Firmware Update");
    EXPECT_EQ(json["deviceName"], "ZP-Na7");
    EXPECT_EQ(json["deviceNameCheck"], true);
    EXPECT_EQ(json["updateCanBeEnabled"], true);
    ASSERT_EQ(json["entries"].size(), 5u);
    const auto& first = json["entries"][0];
    EXPECT_EQ(first["id"], 1);
    EXPECT_EQ(first["found"], true);
    EXPECT_EQ(first["file"], "main.bin");
    EXPECT_EQ(first["size"], 5);
    EXPECT_EQ(first["paddedSize"], 8);
    EXPECT_EQ(first["selector"], 0x101);
    EXPECT_EQ(first["selectorSent"], 1);
    EXPECT_EQ(first["timeoutMs"], 120000);
    EXPECT_EQ(first["toolTip"], "Main firmware");
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(json["entries"][i]["id"], i + 1);
        EXPECT_EQ(json["entries"][i]["found"], false);
        EXPECT_TRUE(json["entries"][i]["file"].is_null());
    }
    ASSERT_EQ(json["notes"].size(), 1u);
    EXPECT_EQ(json["notes"][0]["severity"], "warning");
    EXPECT_EQ(json["notes"][0]["code"], "unknown-attribute");
    EXPECT_EQ(json["notes"][0]["line"], 6);
    EXPECT_EQ(json["notes"][0]["column"], 24);
}

TEST(PackageReport, TextShowsWhatTheUpdaterWouldShowAndSend) {
    const std::wstring text = FormatPackageText(GoodReport());
    EXPECT_NE(text.find(L"Title:        Camera Firmware Update\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"Entry 1:      main.bin, 5 bytes, sent as 8; selector 257 (sent as 1), "
                        L"time-out 120000 ms, tooltip \"Main firmware\"\r\n"),
              std::wstring::npos)
        << text.c_str();
    EXPECT_NE(text.find(L"Entry 2:      none\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"Update:       can be enabled\r\n"), std::wstring::npos);
}

TEST(PackageCheckOptions, FolderJsonAndMistakes) {
    PackageCheckOptions options;
    std::wstring error;
    ASSERT_TRUE(ParsePackageCheckArguments({}, &options, &error));
    EXPECT_EQ(options.folder, L".\\UPDATEFILES");
    EXPECT_FALSE(options.json);
    ASSERT_TRUE(ParsePackageCheckArguments({L"--json", L"pkg\\"}, &options, &error));
    EXPECT_EQ(options.folder, L"pkg");
    EXPECT_TRUE(options.json);
    ASSERT_TRUE(ParsePackageCheckArguments({L"C:\\"}, &options, &error));
    EXPECT_EQ(options.folder, L"C:\\");
    EXPECT_FALSE(ParsePackageCheckArguments({L"a", L"b"}, &options, &error));
    EXPECT_FALSE(ParsePackageCheckArguments({L"--jsn"}, &options, &error));
    EXPECT_FALSE(ParsePackageCheckArguments({L""}, &options, &error));
}
