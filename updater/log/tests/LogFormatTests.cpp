#include <gtest/gtest.h>

#include "LogFormat.h"

namespace {

SYSTEMTIME MakeTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second,
                    WORD milliseconds) {
    SYSTEMTIME time = {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = milliseconds;
    return time;
}

}  // namespace

TEST(LogLineFormat, PadsSingleDigitsAndMilliseconds) {
    EXPECT_EQ(FormatLogLine(MakeTime(2024, 1, 2, 9, 5, 3, 7), L"Start"),
              L"[2024/01/02 09:05:03.007] Start\r\n");
}

TEST(LogLineFormat, LeavesWideFieldsAsTheyAre) {
    EXPECT_EQ(FormatLogLine(MakeTime(2099, 12, 31, 23, 59, 59, 999), L"x"),
              L"[2099/12/31 23:59:59.999] x\r\n");
    EXPECT_EQ(FormatLogLine(MakeTime(2024, 10, 11, 12, 13, 14, 56), L"x"),
              L"[2024/10/11 12:13:14.056] x\r\n");
}

TEST(LogLineFormat, DoesNotPadTheYear) {
    EXPECT_EQ(FormatLogLine(MakeTime(987, 1, 1, 0, 0, 0, 0), L"x"),
              L"[987/01/01 00:00:00.000] x\r\n");
}

TEST(LogLineFormat, KeepsAnEmptyText) {
    EXPECT_EQ(FormatLogLine(MakeTime(2024, 1, 2, 9, 5, 3, 7), L""),
              L"[2024/01/02 09:05:03.007] \r\n");
}

TEST(LogLineFormat, KeepsLineBreaksAndNonLatinTextUnchanged) {
    const std::wstring text = L"one\r\ntwo\nthree\r \u30AB\u30E1\u30E9 \U0001F4F7";
    EXPECT_EQ(FormatLogLine(MakeTime(2024, 1, 2, 9, 5, 3, 7), text),
              L"[2024/01/02 09:05:03.007] " + text + L"\r\n");
}

TEST(LogLineFormat, KeepsAVeryLongTextWhole) {
    const std::wstring text(100000, L'y');
    const std::wstring line = FormatLogLine(MakeTime(2024, 1, 2, 9, 5, 3, 7), text);
    const std::wstring prefix = L"[2024/01/02 09:05:03.007] ";
    ASSERT_EQ(line.size(), prefix.size() + text.size() + 2);
    EXPECT_EQ(line.substr(0, prefix.size()), prefix);
    EXPECT_EQ(line.substr(prefix.size(), text.size()), text);
    EXPECT_EQ(line.substr(line.size() - 2), L"\r\n");
}

TEST(OsBitnessWord, IsEmptyBeforeMajorVersion6WhateverWow64Says) {
    EXPECT_EQ(OsBitnessWord(5, false), L"");
    EXPECT_EQ(OsBitnessWord(5, true), L"");
    EXPECT_EQ(OsBitnessWord(0, true), L"");
}

TEST(OsBitnessWord, FollowsWow64FromMajorVersion6On) {
    EXPECT_EQ(OsBitnessWord(6, true), L"64bit");
    EXPECT_EQ(OsBitnessWord(6, false), L"32bit");
    EXPECT_EQ(OsBitnessWord(10, true), L"64bit");
    EXPECT_EQ(OsBitnessWord(10, false), L"32bit");
}

TEST(OsDescriptionFormat, OldSystemHasTwoBlanksBeforeTheServicePack) {
    EXPECT_EQ(FormatOsDescription(5, 1, 2600, OsBitnessWord(5, false), L"Service Pack 3"),
              L"Windows 5.1.2600  Service Pack 3");
}

TEST(OsDescriptionFormat, SystemWithoutServicePackEndsInOneBlank) {
    EXPECT_EQ(FormatOsDescription(6, 1, 7600, OsBitnessWord(6, true), L""),
              L"Windows 6.1.7600 64bit ");
    EXPECT_EQ(FormatOsDescription(10, 0, 19045, OsBitnessWord(10, false), L""),
              L"Windows 10.0.19045 32bit ");
}

TEST(OsDescriptionFormat, NewSystemWithServicePack) {
    EXPECT_EQ(FormatOsDescription(6, 1, 7601, OsBitnessWord(6, false), L"Service Pack 1"),
              L"Windows 6.1.7601 32bit Service Pack 1");
}

TEST(LogFilePathComposition, PutsTheFileInTheDesktopFolder) {
    EXPECT_EQ(ComposeLogFilePath(L"C:\\users\\op\\Desktop"),
              L"C:\\users\\op\\Desktop\\TAVIKUpdate.log");
}

TEST(LogFilePathComposition, IsTheBareFileNameWithoutADesktopFolder) {
    EXPECT_EQ(ComposeLogFilePath(nullptr), L"TAVIKUpdate.log");
}
