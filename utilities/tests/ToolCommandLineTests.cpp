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

TEST(ToolCommandLine, HelpOutweighsVersionAndEverythingElse) {
    for (const wchar_t* help : {L"/?", L"-h", L"--help"}) {
        EXPECT_EQ(FindToolRequest({L"--bogus", L"--version", help}), ToolRequest::Help) << help;
    }
    EXPECT_EQ(FindToolRequest({L"pkg", L"--version"}), ToolRequest::Version);
    EXPECT_EQ(FindToolRequest({L"pkg", L"-H", L"/help"}), ToolRequest::Run);
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
