// How the values of an UPDATEFILE's and a DEVNAME's attributes become an entry's fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The largest TIMEOUT whose milliseconds still fit a signed 32-bit integer.
inline constexpr int32_t kMaxTimeoutSeconds = 2147483;

enum class TimeoutIssue {
    None,
    Defaulted,  // zero, negative or no number: the default time-out
    Held,       // above kMaxTimeoutSeconds: held there
};

struct TimeoutValue {
    uint32_t ms;
    TimeoutIssue issue;
    bool trailingText;  // text after the digits that were taken
};

TimeoutValue TimeoutFromText(std::wstring_view text);

enum class KeywordMatch { Exact, OtherCase, No };

// Keywords match case-sensitively; OtherCase tells a near miss ("on" for "ON") from other text.
KeywordMatch MatchKeyword(std::wstring_view value, std::wstring_view keyword);

// How many characters of a TOOLTIP are kept: at most kMaxToolTip, never half a surrogate pair.
size_t KeptToolTipLength(std::wstring_view text);

// A file name with \, / or : could name a file outside the package folder.
bool HasPathCharacter(std::wstring_view name);
