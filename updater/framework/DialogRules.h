// The modal dialog's decisions, apart from the window system so each can be tested.
#pragma once

#include <windows.h>

namespace fw {

// Messages whose result the dialog procedure returns itself; every other result goes through
// DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message);

// Whether a message is one of the seven control-colour messages.
bool IsCtlColorMessage(UINT message);

// Whether a WM_COMMAND is a command (button click, menu or accelerator) rather than some other
// notification of a control, so that IDOK and IDCANCEL go to OnOK and OnCancel.
bool IsCommand(WPARAM wParam, LPARAM lParam);

// Whether a message-map entry (its message, notification code and control ID) takes a
// message: WM_COMMAND entries by code and ID, the control-colour entry every control-colour
// message, every other entry its own message.
bool EntryMatches(UINT entryMessage, UINT entryCode, UINT entryId, UINT message, WPARAM wParam);

// A dialog whose template puts it at 0,0 is centred, unless it is a child or places itself
// (DS_CENTER, DS_CENTERMOUSE, DS_ABSALIGN).
bool CentresItself(DWORD style, short x, short y);

// Where a window of `window`'s size goes to be centred on `over`, kept inside `bounds` (the
// work area) as far as it fits, its top-left corner first.
POINT CentredOrigin(const RECT& window, const RECT& over, const RECT& bounds);

}  // namespace fw
