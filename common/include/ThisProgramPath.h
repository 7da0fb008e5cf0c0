// The full path of the running program's file, however long. Header-only, for the library, the
// simulated camera's control library and the tests alike.
#pragma once

#include <windows.h>

#include <string>

// Empty when Windows cannot tell it.
inline std::wstring ThisProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) {
            return std::wstring();
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);  // cut short: the path is longer than the buffer
    }
}
