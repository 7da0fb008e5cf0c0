// Checks of the harness itself, on Wine's notepad and on windows of a helper program of ours,
// so a fault in reading another process's windows is not taken for one of the updater.
#include <gtest/gtest.h>

#include <windows.h>

#include "ChildProcess.h"
#include "ThisProgram.h"
#include "DesktopLog.h"
#include "MessageBoxReadout.h"
#include "PackageText.h"
#include "ProcessWindows.h"
#include "ToolTipReadout.h"
#include "UniqueAny.h"
#include "Wait.h"
#include "WindowReadout.h"

namespace e2e {
namespace {

std::vector<uint8_t> Utf16Bytes(const std::wstring& text, bool bom) {
    std::vector<uint8_t> bytes;
    if (bom) {
        bytes = {0xFF, 0xFE};
    }
    for (wchar_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

TEST(LogParse, TakesStampedLinesApartAndRefusesAnythingElse) {
    const ParsedLog log = ParseLog(Utf16Bytes(
        L"[2024/01/02 09:05:03.007] Start\r\n[2024/12/31 23:59:59.999] ZP-Na7:Ver=1 [Done]\r\n",
        true));
    ASSERT_TRUE(log.ok) << log.problem;
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0].stamp.wYear, 2024);
    EXPECT_EQ(log.lines[0].stamp.wMonth, 1);
    EXPECT_EQ(log.lines[0].stamp.wDay, 2);
    EXPECT_EQ(log.lines[0].stamp.wHour, 9);
    EXPECT_EQ(log.lines[0].stamp.wMilliseconds, 7);
    EXPECT_EQ(log.lines[0].text, L"Start");
    EXPECT_EQ(log.lines[1].text, L"ZP-Na7:Ver=1 [Done]");

    EXPECT_TRUE(ParseLog({0xFF, 0xFE}).ok) << "an empty log has no lines";
    EXPECT_FALSE(ParseLog(Utf16Bytes(L"[2024/01/02 09:05:03.007] x\r\n", false)).ok);
    EXPECT_FALSE(ParseLog(Utf16Bytes(L"[2024/01/02 09:05:03.007] x\n", true)).ok);
    EXPECT_FALSE(ParseLog(Utf16Bytes(L"[2024/1/02 09:05:03.007] x\r\n", true)).ok);
    EXPECT_FALSE(ParseLog(Utf16Bytes(L"[2024/01/02 09:05:03.07] x\r\n", true)).ok);
    EXPECT_FALSE(ParseLog(Utf16Bytes(L"[2024/01/02 09:05:03.007]x\r\n", true)).ok);
    EXPECT_FALSE(ParseLog(Utf16Bytes(L"[2024/13/02 09:05:03.007] x\r\n", true)).ok);
}

TEST(PackageText, WritesOnlyWhatIsGivenAndEscapesIt) {
    Package package;
    package.title = L"A & <B>";
    package.entries.push_back({L"1", L"2", L"Tip \"x\"", L"f\u00e9.bin", std::nullopt});
    const std::string xml = PackageXml(package);
    EXPECT_NE(xml.find("<TITLE>A &amp; &lt;B&gt;</TITLE>"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("DEVNAME"), std::string::npos);
    EXPECT_EQ(xml.find("TIMEOUT"), std::string::npos);
    EXPECT_NE(xml.find("TOOLTIP=\"Tip &quot;x&quot;\""), std::string::npos);
    EXPECT_NE(xml.find("FILENAME=\"f\xC3\xA9.bin\""), std::string::npos);
}

std::wstring Helper() {
    return BesideThisProgram(L"e2e_window_helper.exe");
}

TEST(ForeignWindows, MessageBoxIsReadByCaptionAndAnswered) {
    tavik::test::ChildProcess helper;
    ASSERT_TRUE(helper.Start(Helper(), L"box", L""));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            return (box = FindMessageBox(helper.id(), L"Harness Question", nullptr)) != nullptr;
        },
        15000));
    EXPECT_EQ(FindMessageBox(helper.id(), L"Harness", nullptr), nullptr)
        << "caption matched in part";

    const auto view = ReadMessageBox(box);
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(view->text, L"First line.\r\nSecond line?");
    EXPECT_TRUE(view->yes);
    EXPECT_TRUE(view->no);
    EXPECT_FALSE(view->ok);
    EXPECT_FALSE(view->cancel);
    EXPECT_EQ(view->defaultId, IDNO);

    ASSERT_TRUE(AnswerMessageBox(box, IDYES));
    ASSERT_TRUE(helper.WaitExit(10000));
    EXPECT_EQ(helper.ExitCode(), static_cast<DWORD>(IDYES));
}

TEST(ForeignWindows, ListProgressAndToolTipAreReadThroughTheOwnersMemory) {
    tavik::test::ChildProcess helper;
    ASSERT_TRUE(helper.Start(Helper(), L"controls", L""));
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            window = FindTopLevel(helper.id(), L"HarnessHost", L"Harness Controls");
            return window != nullptr && GetDlgItem(window, 103) != nullptr &&
                   FindToolTipControl(helper.id(), window) != nullptr;
        },
        15000));
    EXPECT_EQ(ListLines(GetDlgItem(window, 101)),
              (std::vector<std::wstring>{L"first line", L"second line"}));
    EXPECT_EQ(ProgressPosition(GetDlgItem(window, 102)), 2);
    EXPECT_EQ(ProgressRangeOf(GetDlgItem(window, 102), helper.handle()), (ProgressRange{0, 6}));

    HWND label = GetDlgItem(window, 103);
    EXPECT_EQ(TextOf(label), std::wstring(L"1"));
    const auto tools = ToolsOf(FindToolTipControl(helper.id(), window), helper.handle());
    ASSERT_TRUE(tools.has_value());
    ASSERT_EQ(tools->size(), 1u);
    EXPECT_EQ((*tools)[0].Subject(), label);
    EXPECT_EQ((*tools)[0].text, L"Label tip");

    helper.Terminate();
    EXPECT_FALSE(helper.Running());
}

TEST(ForeignWindows, NotepadIsFoundAmongItsProcesssWindowsAndEndedByItsOwner) {
    UniqueHandle process;
    {
        tavik::test::ChildProcess notepad;
        ASSERT_TRUE(notepad.Start(L"notepad.exe", L"", L""));
        HWND window = nullptr;
        ASSERT_TRUE(WaitUntil(
            [&] {
                window = FindTopLevel(notepad.id(), L"Notepad", nullptr);
                return window != nullptr && IsVisible(window);
            },
            15000));
        const auto caption = TextOf(window);
        ASSERT_TRUE(caption.has_value());
        EXPECT_NE(caption->find(L"Notepad"), std::wstring::npos);
        EXPECT_EQ(FindTopLevel(GetCurrentProcessId(), L"Notepad", nullptr), nullptr);
        HANDLE copy = nullptr;
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), notepad.handle(), GetCurrentProcess(),
                                    &copy, SYNCHRONIZE, FALSE, 0));
        process.reset(copy);
    }
    // The owner's going ends it.
    EXPECT_EQ(WaitForSingleObject(process.get(), 0), WAIT_OBJECT_0);
}

}  // namespace
}  // namespace e2e
