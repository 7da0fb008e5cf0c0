// The application object: its start-up, and how it reads the command line.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "Application.h"
#include "CommandLine.h"
#include "TestDialog.h"

namespace {

struct CommandLineCase {
    const wchar_t* commandLine;
    int count;
    const wchar_t* tail;
};

const CommandLineCase kCommandLines[] = {
    {L"TAVIKUpdate.exe", 1, L""},
    {L"TAVIKUpdate.exe /Sim", 2, L"/Sim"},
    {L"TAVIKUpdate.exe    /Sim  x  ", 3, L"/Sim  x  "},  // the tail keeps its own spacing
    {L"TAVIKUpdate.exe\t/Simulate", 2, L"/Simulate"},
    {L"\"C:\\Program Files\\TAVIK\\TAVIKUpdate.exe\" /Sim", 2, L"/Sim"},
    {L"\"C:\\Program Files\\TAVIK\\TAVIKUpdate.exe\"", 1, L""},
    // In the program name a backslash escapes nothing: the name ends at the second quote.
    {L"\"C:\\dir\\\"x /Sim", 3, L"x /Sim"},
    // A quoted name needs no blank after it.
    {L"\"TAVIKUpdate.exe\"/Sim", 2, L"/Sim"},
    // An unclosed quote takes the whole line as the name.
    {L"\"C:\\Program Files\\TAVIKUpdate.exe /Sim", 1, L""},
    // Leading blanks make an empty program name.
    {L"  TAVIKUpdate.exe /Sim", 3, L"TAVIKUpdate.exe /Sim"},
    // Quotes in the arguments are the arguments' own business: kept as they are.
    {L"TAVIKUpdate.exe \"a b\" /Sim", 3, L"\"a b\" /Sim"},
};

}  // namespace

TEST(CommandLine, TailAndCountFollowTheSystemsSplitting) {
    for (const CommandLineCase& c : kCommandLines) {
        EXPECT_EQ(std::wstring(c.tail), std::wstring(fw::CommandLineTail(c.commandLine)))
            << c.commandLine;
        const fw::CommandLineArguments arguments = fw::ReadCommandLine(c.commandLine);
        EXPECT_EQ(c.count, arguments.count) << c.commandLine;
        EXPECT_EQ(std::wstring(c.tail), arguments.tail) << c.commandLine;
    }
}

TEST(CommandLine, EmptyOrMissingLine) {
    EXPECT_EQ(L"", fw::CommandLineTail(L""));
    // CommandLineToArgvW names the running program for an empty line.
    EXPECT_EQ(1, fw::ReadCommandLine(L"").count);
    EXPECT_EQ(0, fw::ReadCommandLine(nullptr).count);
}

namespace {

class RecordingApp : public fw::CWinApp {
public:
    BOOL InitInstance() override {
        fw::CWinApp::InitInstance();
        seenCount = ArgumentCount();
        seenTail = CommandLineAfterProgram();
        seenSelf = fw::AfxGetApp() == this;
        if (quitCode >= 0) {
            PostQuitMessage(quitCode);
            return TRUE;
        }
        return FALSE;
    }
    int quitCode = -1;  // >= 0: enter the message loop, which ends with this code
    int seenCount = -1;
    std::wstring seenTail = L"unset";
    bool seenSelf = false;
};

}  // namespace

TEST(Application, RunReadsTheProcessCommandLineBeforeInitInstance) {
    int expectedCount = 0;
    HLOCAL argv = CommandLineToArgvW(GetCommandLineW(), &expectedCount);
    ASSERT_NE(nullptr, argv);
    LocalFree(argv);
    {
        RecordingApp app;
        EXPECT_EQ(0, app.Run(GetModuleHandleW(nullptr)));  // FALSE: ends at once
        EXPECT_TRUE(app.seenSelf);
        EXPECT_EQ(expectedCount, app.seenCount);
        EXPECT_EQ(std::wstring(fw::CommandLineTail(GetCommandLineW())), app.seenTail);
        EXPECT_EQ(GetModuleHandleW(nullptr), app.Instance());
    }
    EXPECT_EQ(nullptr, fw::AfxGetApp());
}

TEST(Application, TrueFromInitInstanceRunsALoopUntilQuit) {
    RecordingApp app;
    app.quitCode = 3;
    EXPECT_EQ(3, app.Run(GetModuleHandleW(nullptr)));
}

TEST(Application, ADialogThatGoesIsNoLongerTheMainWindow) {
    RecordingApp app;
    {
        TestDialog dialog;
        app.m_pMainWnd = &dialog;
    }
    EXPECT_EQ(nullptr, app.m_pMainWnd);
}
