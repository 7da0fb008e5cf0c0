#include "UpdateFileValues.h"

#include "DecimalConversion.h"
#include "UpdateFileEntry.h"

namespace {

wchar_t FoldAsciiCase(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

}  // namespace

TimeoutValue TimeoutFromText(std::wstring_view text) {
    const DecimalParse parsed = ParseDecimal(text);
    if (!parsed.hasDigits || parsed.value <= 0) {
        return {kDefaultTimeoutMs, TimeoutIssue::Defaulted, false};
    }
    if (parsed.value > kMaxTimeoutSeconds) {
        return {static_cast<uint32_t>(kMaxTimeoutSeconds) * 1000u, TimeoutIssue::Held,
                parsed.trailingText};
    }
    return {static_cast<uint32_t>(parsed.value) * 1000u, TimeoutIssue::None, parsed.trailingText};
}

KeywordMatch MatchKeyword(std::wstring_view value, std::wstring_view keyword) {
    if (value == keyword) {
        return KeywordMatch::Exact;
    }
    if (value.size() != keyword.size()) {
        return KeywordMatch::No;
    }
    for (size_t i = 0; i < value.size(); ++i) {
        if (FoldAsciiCase(value[i]) != FoldAsciiCase(keyword[i])) {
            return KeywordMatch::No;
        }
    }
    return KeywordMatch::OtherCase;
}

size_t KeptToolTipLength(std::wstring_view text) {
    if (text.size() <= kMaxToolTip) {
        return text.size();
    }
    const wchar_t last = text[kMaxToolTip - 1];
    const bool highSurrogate = last >= 0xD800 && last <= 0xDBFF;
    return highSurrogate ? kMaxToolTip - 1 : kMaxToolTip;
}

bool HasPathCharacter(std::wstring_view name) {
    return name.find_first_of(L"\\/:") != std::wstring_view::npos;
}
