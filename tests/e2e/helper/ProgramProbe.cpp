// Loaded into a program under test by ProgramProbe: each function runs there, on a thread of its
// own, and answers in the thread's exit code.
#include <windows.h>

#include <atomic>

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

}  // namespace

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
