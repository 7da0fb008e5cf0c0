// Message boxes of another process: found by caption, read and answered.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace e2e {

// A visible "#32770" top-level window of the process with this caption, other than `except`
// (the program's own dialog shares the class), or null.
HWND FindMessageBox(DWORD processId, const std::wstring& caption, HWND except);

struct MessageBoxView {
    std::wstring text;  // the static control 0xFFFF
    bool ok = false;    // which of the buttons exist
    bool cancel = false;
    bool yes = false;
    bool no = false;
    // The button Enter presses: the one DM_GETDEFID names if it is drawn as the default
    // push button, else the button that is (Wine answers DM_GETDEFID with IDOK whatever the
    // box's buttons); 0 when there is none.
    int defaultId = 0;
};

std::optional<MessageBoxView> ReadMessageBox(HWND box);

// Clicks the button with this ID (IDOK, IDYES, IDNO...) by a posted BM_CLICK: the box's owner
// usually goes on to end the program, and a sent click would wait for that.
bool AnswerMessageBox(HWND box, int buttonId);

}  // namespace e2e
