// A system error or an HRESULT as a person reads it: the system's own words for it, with the
// number kept, so that a message is understood at once and can still be looked up. Header-only,
// for the tools, the package reader and the simulated camera's tool alike.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

// The system's text for `code` on one line, without its line end; empty where it has none.
inline std::wstring SystemErrorWords(DWORD code) {
    wchar_t text[512] = {};
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       text, static_cast<DWORD>(sizeof(text) / sizeof(text[0])), nullptr);
    std::wstring words(text, length < 512 ? length : 0);
    for (wchar_t& c : words) {
        if (c == L'\r' || c == L'\n' || c == L'\t') {
            c = L' ';
        }
    }
    while (!words.empty() && words.back() == L' ') {
        words.pop_back();
    }
    return words;
}

// "Access is denied. (system error 5)", or "system error 5" where the system has no words.
inline std::wstring SystemErrorText(DWORD code) {
    const std::wstring number = L"system error " + std::to_wstring(code);
    const std::wstring words = SystemErrorWords(code);
    return words.empty() ? number : words + L" (" + number + L")";
}

// "0x80070020": how an HRESULT is written.
inline std::wstring StatusNumber(HRESULT status) {
    wchar_t text[16] = {};
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(status));
    return text;
}

// The words of an HRESULT: those of the system error it carries, else the system's own for it.
inline std::wstring StatusWords(HRESULT status) {
    if (FAILED(status) && HRESULT_FACILITY(status) == FACILITY_WIN32) {
        return SystemErrorWords(static_cast<DWORD>(HRESULT_CODE(status)));
    }
    return SystemErrorWords(static_cast<DWORD>(status));
}

// "The process cannot access the file ... (0x80070020)", or the number alone.
inline std::wstring StatusText(HRESULT status) {
    const std::wstring words = StatusWords(status);
    return words.empty() ? StatusNumber(status) : words + L" (" + StatusNumber(status) + L")";
}
