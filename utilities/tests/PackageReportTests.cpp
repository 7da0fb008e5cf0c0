// The checker's conclusions and its two forms of output, from reports made by hand.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cwchar>

#include "DescriptionEncoding.h"
#include "FolderHint.h"
#include "PackageCheckOptions.h"
#include "PackageConclusions.h"
#include "PackageReport.h"
#include "PackageReportFormat.h"
#include "ToolVersion.h"

namespace {

const PackageNote* Find(const PackageReport& report, const char* code) {
    for (const PackageNote& note : report.notes) {
        if (std::string(note.code) == code) {
            return &note;
        }
    }
    return nullptr;
}

void Fill(CheckedEntry& checked, const wchar_t* file, int32_t selector, uint64_t size) {
    checked.stored = true;
    checked.entry.found = true;
    checked.entry.selector = selector;
    checked.entry.timeoutMs = 120000;
    std::wcscpy(checked.entry.fileName, file);
    std::wcscpy(checked.entry.toolTip, L"Main firmware");
    checked.sizeKnown = true;
    checked.size = size;
    checked.paddedKnown = true;
    checked.paddedSize = static_cast<uint32_t>((size + 3) / 4 * 4);
    checked.sha256 = std::string(64, 'a');
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
    Fill(report.entries[0], L"main.bin", 0x101, 5);
    return report;
}

}  // namespace

TEST(PackageReport, AGoodPackageHasNoNoteAndStatusZero) {
    PackageReport report = GoodReport();
    AddConclusions(report);
    EXPECT_TRUE(report.notes.empty());
    EXPECT_EQ(ExitStatus(report), 0);
}

TEST(PackageReport, AnUnknownDeviceNameIsAnErrorWithoutCheck) {
    struct Case {
        const wchar_t* name;
        bool check;
        NoteSeverity severity;
        bool hint;
    } cases[] = {
        {L"ZP-Na9", true, NoteSeverity::Warning, false},
        {L"ZP-Na9", false, NoteSeverity::Error, false},
        {L"zp-na7", false, NoteSeverity::Error, true},
        {L" ZP-Mo7\n", true, NoteSeverity::Warning, true},
    };
    for (const Case& c : cases) {
        PackageReport report = GoodReport();
        report.deviceName = c.name;
        report.deviceNameCheck = c.check;
        AddConclusions(report);
        const PackageNote* note = Find(report, "device-name-unknown");
        ASSERT_NE(note, nullptr) << c.check;
        EXPECT_EQ(note->severity, c.severity) << c.check;
        EXPECT_EQ(note->message.find(L"did you mean") != std::wstring::npos, c.hint)
            << note->message.c_str();
    }
    PackageReport nameless = GoodReport();
    nameless.deviceNameSet = false;
    nameless.deviceNameCheck = false;
    nameless.notes.push_back({NoteSeverity::Warning, "no-device-name", L"from the walk", 0, 0});
    AddConclusions(nameless);
    ASSERT_EQ(nameless.notes.size(), 1u) << "said once";
    EXPECT_EQ(nameless.notes[0].severity, NoteSeverity::Error) << "every camera is refused";
}

TEST(PackageReport, ImagesThatAreEmptyTooLargeOrAimedAtOneSelector) {
    PackageReport report = GoodReport();
    Fill(report.entries[2], L"empty.bin", 1, 0);  // selector 1, as entry 1's 0x101 is sent
    Fill(report.entries[3], L"huge.bin", 4, 1ull << 32);
    report.entries[3].paddedKnown = false;
    AddConclusions(report);
    const PackageNote* empty = Find(report, "empty-image");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->entry, 3);
    const PackageNote* shared = Find(report, "duplicate-selector");
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->entry, 3);
    EXPECT_NE(shared->message.find(L"entries 1 and 3"), std::wstring::npos);
    EXPECT_EQ(Find(report, "image-too-large")->entry, 4);
    EXPECT_EQ(ExitStatus(report), 2);
}

TEST(PackageReport, JsonListsEverythingReadAndNothingElse) {
    PackageReport report = GoodReport();
    PackageNote note{NoteSeverity::Warning, "selector-truncated", L"SELECTOR 257", 6, 24};
    note.entry = 1;
    report.notes.push_back(note);
    const nlohmann::json json = nlohmann::json::parse(FormatPackageJson(report));
    EXPECT_EQ(json["schemaVersion"], 2);
    EXPECT_EQ(json["toolVersion"], kToolVersion);
    EXPECT_EQ(json["status"], "warnings");
    EXPECT_TRUE(json["error"].is_null()) << "the notes tell the package's own errors";
    EXPECT_EQ(json["readable"], true);
    EXPECT_EQ(json["deviceName"], "ZP-Na7");
    ASSERT_EQ(json["entries"].size(), 5u);
    const auto& first = json["entries"][0];
    EXPECT_EQ(first["sha256"], std::string(64, 'a'));
    EXPECT_EQ(first["selector"], 0x101);
    EXPECT_EQ(first["selectorSent"], 1);
    EXPECT_TRUE(json["entries"][1]["sha256"].is_null());
    EXPECT_EQ(json["manifest"]["state"], "absent");
    EXPECT_FALSE(json.contains("camera")) << "not asked for";
    EXPECT_EQ(json["notes"][0]["entry"], 1);
    EXPECT_EQ(json["notes"][0]["line"], 6);

    PackageReport unreadable;
    unreadable.folder = L"X";
    AddConclusions(unreadable);
    const nlohmann::json none = nlohmann::json::parse(FormatPackageJson(unreadable));
    EXPECT_EQ(none["readable"], false);
    EXPECT_EQ(none["status"], "errors");
    for (const char* key : {"title", "deviceName", "deviceNameCheck", "entries"}) {
        EXPECT_FALSE(none.contains(key)) << key;
    }
    EXPECT_EQ(none["notes"][0]["code"], "unreadable");
    EXPECT_TRUE(none["notes"][0]["entry"].is_null());
}

TEST(PackageReport, TextShowsWhatTheUpdaterWouldShowAndSend) {
    PackageReport report = GoodReport();
    PackageNote note{NoteSeverity::Warning, "selector-truncated", L"SELECTOR 257", 6, 24};
    note.entry = 1;
    report.notes.push_back(note);
    const std::wstring text = FormatPackageText(report);
    EXPECT_NE(text.find(L"Entry 1:      main.bin, 5 bytes, sent as 8; selector 257 (sent as 1), "
                        L"time-out 120000 ms, tooltip \"Main firmware\"\r\n"
                        L"              sha256 " +
                        std::wstring(64, L'a') + L"\r\n"),
              std::wstring::npos)
        << text.c_str();
    EXPECT_NE(text.find(L"Entry 2:      none\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"warning selector-truncated (entry 1, line 6, column 24): SELECTOR 257"),
              std::wstring::npos);
}

TEST(PackageCheckOptions, FolderOptionsAndMistakes) {
    PackageCheckOptions options;
    std::wstring error;
    ASSERT_TRUE(ParsePackageCheckArguments({}, &options, &error));
    EXPECT_EQ(options.folder, L".\\UPDATEFILES");
    ASSERT_TRUE(ParsePackageCheckArguments(
        {L"--json", L"D:\\Service Packs\\ZP-Na7\\", L"--camera", L"--wait", L"3"}, &options,
        &error));
    EXPECT_EQ(options.folder, L"D:\\Service Packs\\ZP-Na7");
    EXPECT_TRUE(options.json && options.camera);
    EXPECT_EQ(options.waitSeconds, 3u);
    ASSERT_TRUE(ParsePackageCheckArguments({L"C:\\", L"--write-manifest"}, &options, &error));
    EXPECT_EQ(options.folder, L"C:\\");
    EXPECT_TRUE(options.writeManifest);
    // After "--" a folder may begin with a dash or a slash; before it, that is an option.
    ASSERT_TRUE(ParsePackageCheckArguments({L"--json", L"--", L"-json"}, &options, &error));
    EXPECT_EQ(options.folder, L"-json");
    for (const std::vector<std::wstring>& bad :
         std::vector<std::vector<std::wstring>>{{L"a", L"b"},
                                                {L"--jsn"},
                                                {L""},
                                                {L"--wait", L"3"},
                                                {L"-json"},
                                                {L"/json"},
                                                {L"--", L"a", L"--json"}}) {
        EXPECT_FALSE(ParsePackageCheckArguments(bad, &options, &error)) << bad[0];
    }
    EXPECT_FALSE(ParsePackageCheckArguments({L"/camera"}, &options, &error));
    EXPECT_NE(error.find(L"did you mean --camera?"), std::wstring::npos) << error;
}

// The run's status: why the camera was not reached, or that none came, outweighs what the
// package gave, which the report holds all the same.
TEST(PackageReport, TheStatusThatWinsAndItsName) {
    PackageReport broken;
    broken.readable = false;
    AddConclusions(broken);
    EXPECT_EQ(ExitStatus(broken), 2);
    CameraVerdict none;
    none.waitSeconds = 4;
    none.identity.waitSeconds = 4;
    broken.camera = none;
    EXPECT_EQ(ExitStatus(broken), 3);
    EXPECT_STREQ(StatusName(broken), "no-camera");
    EXPECT_EQ(RunError(broken)->message, L"No camera within 4 s");
    broken.cameraNotReached = CameraNotReached{"updater-open", 75, {L"TAVIKUpdate is open", {}}};
    broken.camera.reset();
    EXPECT_EQ(ExitStatus(broken), 75);
    const nlohmann::json json = nlohmann::json::parse(FormatPackageJson(broken));
    EXPECT_EQ(json["status"], "updater-open");
    EXPECT_EQ(json["error"]["message"], "TAVIKUpdate is open");
    EXPECT_TRUE(json["camera"].is_null());
    EXPECT_EQ(json["notes"][0]["code"], "unreadable") << "the package's notes stay";
    EXPECT_NE(FormatPackageText(broken).find(L"Camera:       not reached: TAVIKUpdate is open"),
              std::wstring::npos);
}

TEST(PackageReport, AWrongFolderGetsAHintThatNamesTheRightOne) {
    EXPECT_EQ(ParentFolder(L".\\UPDATEFILES"), L".");
    EXPECT_EQ(ParentFolder(L"UPDATEFILES"), L".");
    EXPECT_EQ(ParentFolder(L"D:\\Packs\\ZP-Na7"), L"D:\\Packs");
    EXPECT_EQ(ParentFolder(L"D:\\ZP-Na7"), L"D:\\");
    struct Case {
        const wchar_t* folder;
        FolderFacts facts;
        const wchar_t* hint;
    } cases[] = {
        {L".\\UPDATEFILES",
         {false, false, true},
         L"this folder holds TAVIKUpdate.xml: it is the package; pass ."},
        {L"pkg\\TAVIKUpdate.xml",
         {true, false, true},
         L"pkg\\TAVIKUpdate.xml is the description itself: pass its folder, pkg"},
        {L"pkg\\notes.txt",
         {true, false, false},
         L"pkg\\notes.txt is a file: pass the folder that holds TAVIKUpdate.xml"},
        {L"D:\\Service",
         {false, true, false},
         L"D:\\Service is the updater's working folder: its package is "
         L"D:\\Service\\UPDATEFILES; pass that"},
        {L"D:\\Service\\images",
         {false, false, true},
         L"D:\\Service holds TAVIKUpdate.xml: it is the package; pass D:\\Service"},
        {L"nowhere", {false, false, false}, L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FolderHint(c.folder, c.facts), c.hint) << c.folder;
    }
}

// What the reader takes for UTF-8, and where such bytes first fail it: overlong forms,
// surrogates, values past U+10FFFF and a sequence cut off at the end all fail; a byte-order
// mark outweighs the declaration; columns count characters.
TEST(DescriptionEncoding, TheFirstByteThatIsNotUtf8AndWhereItIs) {
    const struct Case {
        std::string bytes;
        bool utf8;
        uint32_t line;
        uint32_t column;
    } cases[] = {
        {"<a>\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\xB7</a>", true, 0, 0},
        {"<a>\xC3\xA9x\n\xC0\x80", true, 2, 1},  // overlong
        {"ab\xED\xA0\x80", true, 1, 3},          // a surrogate
        {"\xF4\x90\x80\x80", true, 1, 1},        // past U+10FFFF
        {"\xC3\xA9\xE2\x82", true, 1, 2},        // cut off
        {"\xF5\x80\x80\x80", true, 1, 1},
        {"<?xml version='1.0' encoding = \"UTF-8\"?>\n\xE9", true, 2, 1},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n\xE9", false, 0, 0},
        {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n\xE9", true, 2, 1},
        {"\xFF\xFE<\0a\0", false, 0, 0},
    };
    for (const Case& c : cases) {
        const DescriptionEncoding found = ExamineEncoding(c.bytes);
        EXPECT_EQ(found.utf8, c.utf8) << c.bytes;
        EXPECT_EQ(found.line, c.line) << c.bytes;
        EXPECT_EQ(found.column, c.column) << c.bytes;
    }
    EXPECT_EQ(ExamineEncoding("x\x80").byte, 0x80);
    EXPECT_EQ(ExamineEncoding("<?xml encoding='windows-1252'?>").declared, "windows-1252");
}
