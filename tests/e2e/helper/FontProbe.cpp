// Loaded into a program under test by FontReadout: each function runs there, on a thread of its
// own, and answers in the thread's exit code.
#include <windows.h>

namespace {

HFONT FontOf(HWND window) {
    DWORD_PTR font = 0;
    if (SendMessageTimeoutW(window, WM_GETFONT, 0, 0, SMTO_NORMAL, 60000, &font) == 0) {
        return nullptr;
    }
    return reinterpret_cast<HFONT>(font);
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
