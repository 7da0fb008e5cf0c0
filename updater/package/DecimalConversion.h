// The decimal rule of the description's numbers, with what the notes need to know about a value.
#pragma once

#include <cstdint>
#include <string_view>

struct DecimalParse {
    int32_t value = 0;
    bool hasDigits = false;     // false: the value converts to 0
    bool clamped = false;       // beyond the signed 32-bit range: held at the nearest limit
    bool trailingText = false;  // something other than white space follows the digits
};

// Leading white space, one sign, then digits up to the first other character.
DecimalParse ParseDecimal(std::wstring_view text);

// The decimal rule of ID, SELECTOR and TIMEOUT: leading white space, one sign, digits up to the
// first other character; no digits give 0; beyond the signed 32-bit range the nearest limit.
int32_t ConvertDecimal(std::wstring_view text);
