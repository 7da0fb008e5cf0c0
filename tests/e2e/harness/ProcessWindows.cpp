#include "ProcessWindows.h"

#include "WindowReadout.h"

namespace e2e {

namespace {

struct Search {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    if (GetWindowThreadProcessId(window, &owner) != 0 && owner == search->processId) {
        search->found.push_back(window);
    }
    return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId) {
    Search search{processId, {}};
    // EnumWindows fails when the callback stops it early; this one never does.
    EnumWindows(&Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring ClassNameOf(HWND window) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

HWND FindTopLevel(DWORD processId, const wchar_t* className, const wchar_t* caption) {
    for (HWND window : TopLevelWindows(processId)) {
        if (ClassNameOf(window) != className) {
            continue;
        }
        if (caption == nullptr) {
            return window;
        }
        const auto text = TextOf(window);
        if (text && *text == caption) {
            return window;
        }
    }
    return nullptr;
}

std::vector<HWND> OtherVisibleWindows(DWORD processId, HWND except) {
    std::vector<HWND> others;
    for (HWND window : TopLevelWindows(processId)) {
        if (window != except && IsWindowVisible(window)) {
            others.push_back(window);
        }
    }
    return others;
}

}  // namespace e2e
