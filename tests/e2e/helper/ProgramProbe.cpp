// Loaded into a program under test by ProgramProbe: each function runs there, on a thread of its
// own, and answers in the thread's exit code.
#include <windows.h>

#include <atomic>
#include <iterator>

#include "ImportPatch.h"

namespace {

HFONT FontOf(HWND window) {
    DWORD_PTR font = 0;
    if (SendMessageTimeoutW(window, WM_GETFONT, 0, 0, SMTO_NORMAL, 60000, &font) == 0) {
        return nullptr;
    }
    return reinterpret_cast<HFONT>(font);
}

constexpr DWORD kNoCall = 0xFFFFFFFF;

std::atomic<DWORD> g_lastState{kNoCall};
std::atomic<DWORD> g_lastStateThread{0};
std::atomic<DWORD> g_refusedPosts{0};
// The power status presented: the AC line, the battery's flags and its charge, a byte each.
std::atomic<DWORD> g_power{0};
std::atomic<DWORD> g_powerReads{0};

EXECUTION_STATE WINAPI RecordExecutionState(EXECUTION_STATE flags) {
    g_lastStateThread.store(GetCurrentThreadId());
    g_lastState.store(flags);
    return SetThreadExecutionState(flags);  // this library's own import, never patched
}

// The program's posted results fail as a full queue makes them fail; every other post goes.
BOOL WINAPI RefuseResultPost(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WPARAM code = wParam & 0xFFF0;
    if (message == WM_SYSCOMMAND && (code == 0x20 || code == 0x30)) {
        g_refusedPosts.fetch_add(1);
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    }
    return PostMessageW(window, message, wParam, lParam);
}

BOOL WINAPI PresentedPowerStatus(LPSYSTEM_POWER_STATUS status) {
    g_powerReads.fetch_add(1);
    if (status == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const DWORD power = g_power.load();
    *status = SYSTEM_POWER_STATUS{};
    status->ACLineStatus = static_cast<BYTE>(power);
    status->BatteryFlag = static_cast<BYTE>(power >> 8);
    status->BatteryLifePercent = static_cast<BYTE>(power >> 16);
    status->BatteryLifeTime = static_cast<DWORD>(-1);
    status->BatteryFullLifeTime = static_cast<DWORD>(-1);
    return TRUE;
}

}  // namespace

// The width in pixels of the window's text on one line in its font, as a static control draws
// it; 0xFFFFFFFF when it cannot be measured.
extern "C" DWORD WINAPI TextWidthOfWindow(LPVOID argument) {
    const auto window = static_cast<HWND>(argument);
    wchar_t text[512] = {};
    const int length = GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    HDC dc = GetDC(window);
    if (dc == nullptr) {
        return 0xFFFFFFFF;
    }
    const HGDIOBJ previous = SelectObject(dc, FontOf(window));
    RECT bounds = {0, 0, 0, 0};
    const int height = previous != nullptr ? DrawTextW(dc, text, length, &bounds,
                                                       DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX)
                                           : 0;
    if (previous != nullptr) {
        SelectObject(dc, previous);
    }
    ReleaseDC(window, dc);
    return height != 0 ? static_cast<DWORD>(bounds.right - bounds.left) : 0xFFFFFFFF;
}

// The window's font handle (valid in this process only); 0 for the system font or none.
extern "C" DWORD WINAPI FontOfWindow(LPVOID window) {
    return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(FontOf(static_cast<HWND>(window))));
}

// The weight of the window's font; 0 when it has none.
extern "C" DWORD WINAPI WeightOfWindowFont(LPVOID window) {
    const HFONT font = FontOf(static_cast<HWND>(window));
    LOGFONTW logFont = {};
    if (font == nullptr || GetObjectW(font, sizeof(logFont), &logFont) == 0) {
        return 0;
    }
    return static_cast<DWORD>(logFont.lfWeight);
}

// From now on the program's calls of SetThreadExecutionState are noted. 1: in place.
extern "C" DWORD WINAPI WatchExecutionState(LPVOID) {
    static const ImportPatch patch("KERNEL32.dll", "SetThreadExecutionState",
                                   reinterpret_cast<const void*>(&RecordExecutionState));
    return patch.ok() ? 1 : 0;
}

// The flags of the program's last call, or 0xFFFFFFFF before any.
extern "C" DWORD WINAPI LastExecutionState(LPVOID) {
    return g_lastState.load();
}

// The thread that made that call.
extern "C" DWORD WINAPI LastExecutionStateThread(LPVOID) {
    return g_lastStateThread.load();
}

// From now on the program's result notifications cannot be posted. 1: in place.
extern "C" DWORD WINAPI RefuseResultPosts(LPVOID) {
    static const ImportPatch patch("USER32.dll", "PostMessageW",
                                   reinterpret_cast<const void*>(&RefuseResultPost));
    return patch.ok() ? 1 : 0;
}

// How many were refused.
extern "C" DWORD WINAPI RefusedResultPosts(LPVOID) {
    return g_refusedPosts.load();
}

// From now on the program's GetSystemPowerStatus answers this: the AC line status in the low
// byte of the argument, the battery flag in the next, the charge in percent in the third. May
// be called again with other values. 1: in place.
extern "C" DWORD WINAPI PresentPowerStatus(LPVOID packed) {
    g_power.store(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(packed)));
    static const ImportPatch patch("KERNEL32.dll", "GetSystemPowerStatus",
                                   reinterpret_cast<const void*>(&PresentedPowerStatus));
    return patch.ok() ? 1 : 0;
}

// How often the program asked for it since.
extern "C" DWORD WINAPI PowerStatusReads(LPVOID) {
    return g_powerReads.load();
}
