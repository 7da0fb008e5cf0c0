#include <gtest/gtest.h>

#include "ToolCommandLine.h"

using Words = std::vector<std::wstring>;

TEST(ToolCommandLine, AQuotedFolderMayEndInABackslash) {
    EXPECT_EQ(SplitArguments(L"TAVIKPackageCheck.exe \"D:\\Service Packs\\ZP-Na7\\\" --json"),
              (Words{L"D:\\Service Packs\\ZP-Na7\\", L"--json"}));
    EXPECT_EQ(SplitArguments(L"\"C:\\Program Files\\TAVIK\\TAVIKInfo.exe\"  --wait\t5 "),
              (Words{L"--wait", L"5"}));
    EXPECT_EQ(SplitArguments(L"tool \"\" a\"b c\"d"), (Words{L"", L"ab cd"}));
    EXPECT_EQ(SplitArguments(L"tool"), Words{});
}

// The Windows habits for help are taken as they are meant; a folder after "--" is a folder.
TEST(ToolCommandLine, HelpOutweighsVersionAndEverythingElse) {
    for (const wchar_t* help : {L"/?", L"-?", L"-h", L"/h", L"/H", L"--help", L"/help", L"/HELP"}) {
        EXPECT_EQ(FindToolRequest({L"--bogus", L"--version", help}), ToolRequest::Help) << help;
    }
    EXPECT_EQ(FindToolRequest({L"pkg", L"--version"}), ToolRequest::Version);
    EXPECT_EQ(FindToolRequest({L"pkg", L"-H", L"--HELP"}), ToolRequest::Run);
    EXPECT_EQ(FindToolRequest({L"--", L"/help"}), ToolRequest::Run);
}

TEST(ToolCommandLine, AnOptionWrittenTheWindowsWayNamesItsRightSpelling) {
    for (const wchar_t* written : {L"/json", L"-json", L"/JSON", L"--Json"}) {
        EXPECT_EQ(UnknownOptionError(written, {L"camera", L"json"}),
                  L"unknown option \"" + std::wstring(written) + L"\": did you mean --json?")
            << written;
    }
    EXPECT_EQ(UnknownOptionError(L"/jason", {L"json"}), L"unknown option \"/jason\"");
    EXPECT_EQ(UnknownOptionError(L"/", {L"json"}), L"unknown option \"/\"");

    EXPECT_TRUE(AsksForJson({L"--wait", L"x", L"--json"}));
    EXPECT_FALSE(AsksForJson({L"/json"}));
    EXPECT_FALSE(AsksForJson({L"--", L"--json"})) << "a folder named so";
}

TEST(ToolCommandLine, WaitSecondsAreWholeDecimalNumbersInRange) {
    uint32_t seconds = 77;
    EXPECT_TRUE(ParseWaitSeconds(L"0", &seconds));
    EXPECT_EQ(seconds, 0u);
    EXPECT_TRUE(ParseWaitSeconds(L"86400", &seconds));
    EXPECT_EQ(seconds, 86400u);
    for (const wchar_t* bad : {L"", L"5s", L"-1", L"+5", L"86401", L"99999999999"}) {
        seconds = 77;
        EXPECT_FALSE(ParseWaitSeconds(bad, &seconds)) << bad;
        EXPECT_EQ(seconds, 77u) << "untouched";
    }
}

TEST(ToolCommandLine, WaitTakesTheNextArgumentAndNamesWhatIsWrong) {
    const std::vector<std::wstring> arguments = {L"--wait", L"30", L"--wait", L"5s", L"--wait"};
    size_t at = 0;
    uint32_t seconds = 0;
    std::wstring error;
    ASSERT_TRUE(TakeWaitArgument(arguments, &at, &seconds, &error));
    EXPECT_EQ(at, 1u) << "on the value, so the caller's loop goes on after it";
    EXPECT_EQ(seconds, 30u);

    at = 2;
    EXPECT_FALSE(TakeWaitArgument(arguments, &at, &seconds, &error));
    EXPECT_NE(error.find(L"\"5s\""), std::wstring::npos) << error;
    EXPECT_EQ(seconds, 30u) << "untouched";

    at = 4;
    EXPECT_FALSE(TakeWaitArgument(arguments, &at, &seconds, &error));
    EXPECT_EQ(error, L"--wait needs a number of seconds");
}
