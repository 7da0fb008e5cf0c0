// The updater starting: package shown, labels and tool tips, the first log line, and the
// waiting dialog that refuses to close.
#include <cwchar>
#include <map>

#include "UpdaterRun.h"

namespace e2e {
namespace {

class Opening : public UpdaterRun {};

constexpr int kFileLabels[] = {IDC_FILE1, IDC_FILE2, IDC_FILE3, IDC_FILE4, IDC_FILE5};

TEST_F(Opening, WithoutDescriptionEndsAtOnceShowingNothingAndLeavesTheEarlierLog) {
    const std::vector<uint8_t> earlier = {0xFF, 0xFE, 'o', 0, 'l', 0, 'd', 0, '\r', 0, '\n', 0};
    ASSERT_TRUE(WriteFileBytes(logPath, earlier));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Launch());

    bool windowSeen = false;
    const bool ended = WaitUntil(
        [&] {
            if (!OtherVisibleWindows(updater.id(), nullptr).empty() ||
                FindTopLevel(updater.id(), L"#32770", kDialogCaption) != nullptr) {
                windowSeen = true;
            }
            return !updater.Running();
        },
        5000, 2);
    EXPECT_TRUE(ended) << "still running after 5 s";
    EXPECT_FALSE(windowSeen);
    EXPECT_EQ(ReadFileBytes(logPath), earlier);
    EXPECT_TRUE(ReadCameraJournal().empty()) << "the camera was opened";
}

TEST_F(Opening, PackageWithoutAnyFileHidesTheLabelsAndExitDeletesTheLog) {
    Package package = StandardPackage();
    package.entries.push_back({L"2", L"2", L"Logic", L"logic*.bin", L"5"});
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(Start());

    for (int label : kFileLabels) {
        EXPECT_FALSE(IsVisible(Item(label))) << "label " << label;
    }
    EXPECT_FALSE(IsEnabled(Item(IDC_UPDATE)));

    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(WaitVersionLine());
    EXPECT_FALSE(IsEnabled(Item(IDC_UPDATE))) << "enabled with no file to write";
    EXPECT_TRUE(IsEnabled(Item(IDC_EXIT)));
    EXPECT_TRUE(LogPresent());

    ASSERT_TRUE(Click(Item(IDC_EXIT), Delivery::Posted));
    ASSERT_TRUE(updater.WaitExit(kExitMs));
    EXPECT_FALSE(LogPresent());
}

TEST_F(Opening, TitleAndDeviceNameComeFromThePackage) {
    Package package = StandardPackage();
    package.title = L"Firmware <2> & Tools";
    package.devName = L"ZP-Mo7";
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(Start());

    EXPECT_EQ(TextOfItem(IDC_TITLE), L"Firmware <2> & Tools");
    EXPECT_EQ(TextOfItem(IDC_DEVNAME), L"ZP-Mo7");
    const auto texts = LogTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(EndsWith(texts[0], L" : Firmware <2> & Tools")) << Utf8(texts[0]);
}

TEST_F(Opening, TemplateTextsStayWithoutTitleAndDeviceName) {
    Package package = StandardPackage();
    package.title.reset();
    package.devName.reset();
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"main.bin", ImageBytes(8, 1)));
    ASSERT_NO_FATAL_FAILURE(Start());

    EXPECT_EQ(TextOfItem(IDC_TITLE), L"Orvane Update");
    EXPECT_EQ(TextOfItem(IDC_DEVNAME), L"Orvane");
    const auto texts = LogTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(EndsWith(texts[0], L" : Orvane Update")) << Utf8(texts[0]);
}

TEST_F(Opening, OnlyFoundFilesShowTheirLabelEachWithItsToolTip) {
    Package package = StandardPackage();
    package.entries = {
        {L"1", L"1", L"Main firmware", L"main.bin", L"5"},
        {L"2", L"2", L"Logic", L"logic*.bin", L"5"},
        {L"3", L"3", L"Sub", L"sub.bin", L"5"},
        {L"4", L"4", L"Lens", L"", L"5"},
        {L"5", L"5", L"Fonts", L"fonts.bin", L"5"},
    };
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"main.bin", ImageBytes(8, 1)));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"logic_0102.bin", ImageBytes(8, 2)));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"fonts.bin", ImageBytes(8, 5)));
    ASSERT_NO_FATAL_FAILURE(Start());

    const bool expectedVisible[] = {true, true, false, false, true};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(IsVisible(Item(kFileLabels[i])), expectedVisible[i]) << "label " << i + 1;
    }

    HWND toolTip = FindToolTipControl(updater.id(), dialog);
    ASSERT_NE(toolTip, nullptr) << "no tool-tip control owned by the dialog";
    const auto tools = ToolsOf(toolTip, updater.handle());
    ASSERT_TRUE(tools.has_value()) << "the tools cannot be read";
    std::map<HWND, std::wstring> tips;
    for (const auto& tool : *tools) {
        tips[tool.Subject()] = tool.text;
    }
    const std::map<HWND, std::wstring> expected = {
        {Item(IDC_FILE1), L"Main firmware"},
        {Item(IDC_FILE2), L"Logic"},
        {Item(IDC_FILE5), L"Fonts"},
    };
    EXPECT_EQ(tools->size(), 3u);
    EXPECT_EQ(tips, expected);
}

TEST_F(Opening, EnterEscapeAndCloseCommandsLeaveTheWaitingDialogOpen) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_NO_FATAL_FAILURE(Start());

    EXPECT_TRUE(Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0));
    EXPECT_TRUE(Post(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0));
    EXPECT_TRUE(Post(dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001));
    EXPECT_TRUE(Post(dialog, WM_SYSCOMMAND, SC_CLOSE, 0));
    EXPECT_TRUE(Post(dialog, WM_CLOSE, 0, 0));
    ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());

    EXPECT_TRUE(updater.Running());
    EXPECT_TRUE(IsVisible(dialog));
    EXPECT_TRUE(OtherWindows().empty()) << "another window opened";
    ASSERT_TRUE(Click(Item(IDC_EXIT), Delivery::Posted));
    EXPECT_TRUE(updater.WaitExit(kExitMs));
}

TEST_F(Opening, TextControlsShareOneBoldFontTheCautionFitsAndTheRestKeepTheDialogs) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_NO_FATAL_FAILURE(Start());
    const ProgramProbe fonts(updater.handle());
    ASSERT_TRUE(fonts.ok()) << "the font probe could not be loaded into the updater";

    const auto dialogFont = fonts.FontOf(dialog);
    const auto bold = fonts.FontOf(Item(IDC_TITLE));
    ASSERT_TRUE(dialogFont && bold);
    EXPECT_EQ(fonts.WeightOf(dialog), 400u);
    EXPECT_EQ(fonts.WeightOf(Item(IDC_TITLE)), 700u);
    for (int id : {IDC_DEVNAME, IDC_DATA, IDC_VERSION_LIST}) {
        EXPECT_EQ(fonts.FontOf(Item(id)), bold) << "control " << id;
    }
    // The caution is bold too, in a smaller font of its own where the whole sentence would not
    // fit the bold one: it shows whole.
    EXPECT_EQ(fonts.WeightOf(Item(IDC_CAUTION)), 700u);
    RECT caution = {};
    ASSERT_TRUE(GetClientRect(Item(IDC_CAUTION), &caution));
    const auto width = fonts.TextWidthOf(Item(IDC_CAUTION));
    ASSERT_TRUE(width.has_value()) << "the caution's text cannot be measured";
    EXPECT_GT(*width, 0u);
    EXPECT_LE(*width, static_cast<uint32_t>(caution.right)) << "the caution is cut";
    // The labels turn bold only when their image is written.
    for (int id : {IDC_UPDATE, IDC_EXIT, IDC_FILE1, IDC_FILE2, IDC_FILE5}) {
        EXPECT_EQ(fonts.FontOf(Item(id)), dialogFont) << "control " << id;
    }
}

// The stamp's local time as a count of milliseconds, for a comparison with now.
int64_t Milliseconds(const SYSTEMTIME& time) {
    FILETIME file;
    if (!SystemTimeToFileTime(&time, &file)) {
        return -1;
    }
    return static_cast<int64_t>((static_cast<uint64_t>(file.dwHighDateTime) << 32) |
                                file.dwLowDateTime) /
           10000;
}

bool IsOsDescription(const std::wstring& text) {
    // "Windows %d.%d.%d %s %s": three numbers, the word (32bit, 64bit or empty), the
    // service-pack text.
    int major = -1, minor = -1, build = -1, used = 0;
    if (swscanf(text.c_str(), L"Windows %d.%d.%d%n", &major, &minor, &build, &used) != 3) {
        return false;
    }
    const std::wstring rest = text.substr(static_cast<size_t>(used));
    return rest.rfind(L" 32bit ", 0) == 0 || rest.rfind(L" 64bit ", 0) == 0 ||
           (major < 6 && rest.rfind(L"  ", 0) == 0);
}

TEST_F(Opening, FirstLogLineIsOneStampedLineWithTheSystemAndTheTitle) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    SYSTEMTIME before;
    GetLocalTime(&before);
    ASSERT_NO_FATAL_FAILURE(Start());
    SYSTEMTIME after;
    GetLocalTime(&after);

    const auto bytes = ReadFileBytes(logPath);
    ASSERT_TRUE(bytes.has_value());
    ASSERT_GE(bytes->size(), 6u);
    EXPECT_EQ((*bytes)[0], 0xFF);
    EXPECT_EQ((*bytes)[1], 0xFE);
    const std::vector<uint8_t> crlf = {0x0D, 0x00, 0x0A, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(bytes->end() - 4, bytes->end()), crlf);

    const ParsedLog log = ParseLog(*bytes);
    ASSERT_TRUE(log.ok) << log.problem;
    ASSERT_EQ(log.lines.size(), 1u);
    const std::wstring& text = log.lines[0].text;
    EXPECT_TRUE(IsOsDescription(text.substr(0, text.find(L" : ")))) << Utf8(text);
    EXPECT_TRUE(EndsWith(text, L" : Camera Firmware Update")) << Utf8(text);
    // Written between the start and the dialog showing, in local time (a second of slack for
    // the clock's granularity).
    const int64_t stamp = Milliseconds(log.lines[0].stamp);
    EXPECT_GE(stamp, Milliseconds(before) - 1000);
    EXPECT_LE(stamp, Milliseconds(after) + 1000);
}

}  // namespace
}  // namespace e2e
