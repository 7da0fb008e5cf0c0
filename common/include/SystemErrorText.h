// A system error code in the system's own words, for a line a person reads. Header-only, for
// the library and the programs alike.
#pragma once

#include <windows.h>

#include <string>

// "The system cannot find the path specified." for 3; "system error N" where the system has no
// text for the code. One line: the text's own line ends are dropped.
inline std::wstring SystemErrorText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words =
        length > 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    for (wchar_t& c : words) {
        if (c == L'\r' || c == L'\n') {
            c = L' ';
        }
    }
    while (!words.empty() && words.back() == L' ') {
        words.pop_back();
    }
    return words.empty() ? L"system error " + std::to_wstring(code) : words;
}
