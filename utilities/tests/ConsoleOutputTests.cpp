#include <gtest/gtest.h>

#include "ConsoleOutput.h"

TEST(ConsoleOutput, Utf8BothWays) {
    EXPECT_EQ(ToUtf8(L""), "");
    EXPECT_EQ(ToUtf8(L"ZP-Na7"), "ZP-Na7");
    EXPECT_EQ(ToUtf8(L"\u00E9\u30AB"), "\xC3\xA9\xE3\x82\xAB");
    EXPECT_EQ(ToUtf8(L"\xD83D\xDCF7"), "\xF0\x9F\x93\xB7");  // a pair: one code point
    EXPECT_EQ(FromUtf8("\xF0\x9F\x93\xB7"), L"\xD83D\xDCF7");
    EXPECT_EQ(FromUtf8(ToUtf8(L"Camera Firmware Update")), L"Camera Firmware Update");
    // A lone surrogate cannot be UTF-8: it is replaced, never dropped silently or passed on.
    EXPECT_EQ(ToUtf8(L"a\xD800z"), "a\xEF\xBF\xBDz");
}
