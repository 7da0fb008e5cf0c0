#include "DecimalConversion.h"

namespace {

// The white space that the C runtime's conversion skips.
bool IsDecimalSpace(wchar_t c) {
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

}  // namespace

DecimalParse ParseDecimal(std::wstring_view text) {
    DecimalParse result;
    size_t i = 0;
    while (i < text.size() && IsDecimalSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        result.hasDigits = true;
        // Once past the limit the value is held, so the sum never outgrows 64 bits.
        if (magnitude <= limit) {
            magnitude = magnitude * 10 + (text[i] - L'0');
        }
    }
    if (magnitude > limit) {
        magnitude = limit;
        result.clamped = true;
    }
    result.value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    for (; i < text.size(); ++i) {
        if (!IsDecimalSpace(text[i])) {
            result.trailingText = true;
            break;
        }
    }
    return result;
}

int32_t ConvertDecimal(std::wstring_view text) {
    return ParseDecimal(text).value;
}
