#include "CameraInfoOptions.h"

#include <cwctype>

namespace {

// Whole decimal numbers only: "5s" or "-1" are mistakes, not 5 or 0.
bool ParseSeconds(const std::wstring& text, uint32_t* seconds) {
    if (text.empty() || text.size() > 6) {
        return false;
    }
    uint32_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
        value = value * 10 + static_cast<uint32_t>(c - L'0');
    }
    if (value > kMaxWaitSeconds) {
        return false;
    }
    *seconds = value;
    return true;
}

}  // namespace

bool ParseCameraInfoArguments(const std::vector<std::wstring>& arguments,
                              CameraInfoOptions* options, std::wstring* error) {
    CameraInfoOptions parsed;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument == L"--watch") {
            parsed.watch = true;
        } else if (argument == L"--json") {
            parsed.json = true;
        } else if (argument == L"--wait") {
            if (i + 1 >= arguments.size()) {
                *error = L"--wait needs a number of seconds";
                return false;
            }
            if (!ParseSeconds(arguments[++i], &parsed.waitSeconds)) {
                *error = L"--wait takes whole seconds from 0 to " +
                         std::to_wstring(kMaxWaitSeconds) + L", not \"" + arguments[i] + L"\"";
                return false;
            }
        } else {
            *error = L"unknown argument \"" + argument + L"\"";
            return false;
        }
    }
    *options = parsed;
    return true;
}
