// File names that Windows takes for a device. Header-only, for the library and the programs.
#pragma once

#include <cwctype>
#include <string>
#include <string_view>

// CON, PRN, AUX, NUL, COM0-9, LPT0-9 (also with a superscript digit), CONIN$, CONOUT$, in any
// letter case, with or without an extension: Windows opens the device, not a file.
inline bool IsReservedDeviceName(std::wstring_view name) {
    // Windows takes the part before the first dot, without trailing blanks, as the device.
    name = name.substr(0, name.find(L'.'));
    while (!name.empty() && name.back() == L' ') {
        name.remove_suffix(1);
    }
    std::wstring upper(name);
    for (wchar_t& c : upper) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (upper == device) {
            return true;
        }
    }
    const bool port =
        upper.size() == 4 && (upper.compare(0, 3, L"COM") == 0 || upper.compare(0, 3, L"LPT") == 0);
    const wchar_t digit = port ? upper[3] : L'\0';
    return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
           digit == L'\u00B3';
}
