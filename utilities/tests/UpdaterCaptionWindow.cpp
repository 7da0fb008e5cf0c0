#include "UpdaterCaptionWindow.h"

#include "UpdaterWindow.h"

UpdaterCaptionWindow::UpdaterCaptionWindow()
    : window_(CreateWindowExW(0, L"STATIC", kUpdaterCaption, WS_POPUP | WS_VISIBLE | WS_CAPTION, 0,
                              0, 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {}

UpdaterCaptionWindow::~UpdaterCaptionWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}
