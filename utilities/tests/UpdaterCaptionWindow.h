// A top-level window with TAVIKUpdate's caption, in the test's own process, as the updater's
// dialog would stand on the desktop while the tools run.
#pragma once

#include <windows.h>

class UpdaterCaptionWindow {
public:
    UpdaterCaptionWindow();
    ~UpdaterCaptionWindow();
    UpdaterCaptionWindow(const UpdaterCaptionWindow&) = delete;
    UpdaterCaptionWindow& operator=(const UpdaterCaptionWindow&) = delete;

    bool ok() const { return window_ != nullptr; }

private:
    HWND window_;
};
