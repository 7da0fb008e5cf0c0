#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "DecimalConversion.h"
#include "NameSuggestion.h"
#include "UpdateFileValues.h"

TEST(ConvertDecimal, SignWhiteSpaceAndStopAtTheFirstOtherCharacter) {
    EXPECT_EQ(ConvertDecimal(L"42"), 42);
    EXPECT_EQ(ConvertDecimal(L"+42"), 42);
    EXPECT_EQ(ConvertDecimal(L"-42"), -42);
    EXPECT_EQ(ConvertDecimal(L" \t\r\n\v\f7"), 7);
    EXPECT_EQ(ConvertDecimal(L"12ab3"), 12);
    EXPECT_EQ(ConvertDecimal(L"0042"), 42);
    EXPECT_EQ(ConvertDecimal(L"- 5"), 0) << "the sign must touch the digits";
    EXPECT_EQ(ConvertDecimal(L"+-5"), 0) << "one sign only";
    EXPECT_EQ(ConvertDecimal(L"5 6"), 5);
    EXPECT_EQ(ConvertDecimal(L"\u00A05"), 0) << "only the C runtime's white space is skipped";
    EXPECT_EQ(ConvertDecimal(L"\uFF15"), 0) << "full-width digits are no digits";
}

TEST(ConvertDecimal, NoDigitsGiveZero) {
    for (const wchar_t* text : {L"", L"   ", L"+", L"-", L"abc", L"x1"}) {
        SCOPED_TRACE(testing::Message() << "text " << std::wstring(text).size());
        const DecimalParse parsed = ParseDecimal(text);
        EXPECT_EQ(parsed.value, 0);
        EXPECT_FALSE(parsed.hasDigits);
    }
}

TEST(ConvertDecimal, OverflowGivesTheNearestLimit) {
    EXPECT_EQ(ConvertDecimal(L"2147483647"), INT32_MAX);
    EXPECT_FALSE(ParseDecimal(L"2147483647").clamped);
    EXPECT_EQ(ConvertDecimal(L"2147483648"), INT32_MAX);
    EXPECT_TRUE(ParseDecimal(L"2147483648").clamped);
    EXPECT_EQ(ConvertDecimal(L"-2147483648"), INT32_MIN);
    EXPECT_FALSE(ParseDecimal(L"-2147483648").clamped);
    EXPECT_EQ(ConvertDecimal(L"-2147483649"), INT32_MIN);
    EXPECT_EQ(ConvertDecimal(std::wstring(5000, L'9')), INT32_MAX);
    EXPECT_EQ(ConvertDecimal(L"-" + std::wstring(5000, L'9')), INT32_MIN);
    EXPECT_EQ(ConvertDecimal(std::wstring(5000, L'0') + L"12"), 12) << "leading zeros";
}

TEST(ConvertDecimal, TrailingTextIsToldApartFromTrailingWhiteSpace) {
    EXPECT_TRUE(ParseDecimal(L" 45s").trailingText);
    EXPECT_TRUE(ParseDecimal(L"4 5").trailingText);
    EXPECT_FALSE(ParseDecimal(L"45 \t").trailingText);
    EXPECT_FALSE(ParseDecimal(L"45").trailingText);
}

TEST(TimeoutFromText, DefaultsHoldsAndMilliseconds) {
    struct Case {
        const wchar_t* text;
        uint32_t ms;
        TimeoutIssue issue;
        bool trailing;
    } const cases[] = {
        {L"90", 90000, TimeoutIssue::None, false},
        {L" 45s", 45000, TimeoutIssue::None, true},
        {L"2m", 2000, TimeoutIssue::None, true},
        {L"0", 60000, TimeoutIssue::Defaulted, false},
        {L"abc", 60000, TimeoutIssue::Defaulted, false},
        {L"", 60000, TimeoutIssue::Defaulted, false},
        {L"-1", 60000, TimeoutIssue::Defaulted, false},
        {L"-2147483648", 60000, TimeoutIssue::Defaulted, false},
        {L"1", 1000, TimeoutIssue::None, false},
        {L"2147483", 2147483000u, TimeoutIssue::None, false},
        {L"2147484", 2147483000u, TimeoutIssue::Held, false},
        {L"99999999999", 2147483000u, TimeoutIssue::Held, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "expected ms " << c.ms);
        const TimeoutValue value = TimeoutFromText(c.text);
        EXPECT_EQ(value.ms, c.ms);
        EXPECT_EQ(value.issue, c.issue);
        EXPECT_EQ(value.trailingText, c.trailing);
        EXPECT_LE(value.ms, static_cast<uint32_t>(INT32_MAX)) << "milliseconds fit signed 32 bits";
    }
}

TEST(MatchKeyword, LetterCaseCountsButIsToldApart) {
    EXPECT_EQ(MatchKeyword(L"ON", L"ON"), KeywordMatch::Exact);
    EXPECT_EQ(MatchKeyword(L"on", L"ON"), KeywordMatch::OtherCase);
    EXPECT_EQ(MatchKeyword(L"Yes", L"YES"), KeywordMatch::OtherCase);
    EXPECT_EQ(MatchKeyword(L"ON ", L"ON"), KeywordMatch::No);
    EXPECT_EQ(MatchKeyword(L"OFF", L"ON"), KeywordMatch::No);
    EXPECT_EQ(MatchKeyword(L"", L"ON"), KeywordMatch::No);
}

TEST(KeptToolTipLength, AtMostThirtyNeverHalfASurrogatePair) {
    EXPECT_EQ(KeptToolTipLength(std::wstring(30, L'a')), 30u);
    EXPECT_EQ(KeptToolTipLength(std::wstring(31, L'a')), 30u);
    EXPECT_EQ(KeptToolTipLength(L""), 0u);
    // U+1F4F7 (camera) as characters 30 and 31.
    const std::wstring split = std::wstring(29, L'a') + L"\xD83D\xDCF7";
    EXPECT_EQ(KeptToolTipLength(split), 29u);
    EXPECT_EQ(KeptToolTipLength(std::wstring(28, L'a') + L"\xD83D\xDCF7"), 30u)
        << "a whole pair that fits is kept";
}

TEST(HasPathCharacter, BackslashSlashAndColon) {
    EXPECT_TRUE(HasPathCharacter(L"..\\a.bin"));
    EXPECT_TRUE(HasPathCharacter(L"sub/a.bin"));
    EXPECT_TRUE(HasPathCharacter(L"C:a.bin"));
    EXPECT_TRUE(HasPathCharacter(L"a.bin:stream"));
    EXPECT_FALSE(HasPathCharacter(L"fw*.b?n"));
}

TEST(NearestName, CaseSlipsAndTyposButNothingFarOff) {
    const auto attribute = [](const wchar_t* name) {
        const wchar_t* nearest =
            NearestName(name, {L"ID", L"SELECTOR", L"TOOLTIP", L"FILENAME", L"TIMEOUT", L"REBOOT"});
        return std::wstring(nearest != nullptr ? nearest : L"(none)");
    };
    EXPECT_EQ(attribute(L"FILNAME"), L"FILENAME");
    EXPECT_EQ(attribute(L"filename"), L"FILENAME");
    EXPECT_EQ(attribute(L"FileName"), L"FILENAME");
    EXPECT_EQ(attribute(L"TIMOEUT"), L"TIMEOUT") << "swapped neighbours";
    EXPECT_EQ(attribute(L"SELECT"), L"SELECTOR");
    EXPECT_EQ(attribute(L"Id"), L"ID");
    EXPECT_EQ(attribute(L"COLOR"), L"(none)");
    EXPECT_EQ(attribute(L"X"), L"(none)") << "one letter is too far from ID";
    EXPECT_EQ(attribute(std::wstring(100000, L'F').c_str()), L"(none)");
}
