#include "DialogRules.h"

#include "Dialog.h"

namespace fw {

bool ReturnsResultDirectly(UINT message) {
    switch (message) {
        case WM_CHARTOITEM:
        case WM_COMPAREITEM:
        case WM_INITDIALOG:
        case WM_QUERYDRAGICON:
        case WM_VKEYTOITEM:
            return true;
        default:
            return IsCtlColorMessage(message);
    }
}

bool IsCtlColorMessage(UINT message) {
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

bool IsCommand(WPARAM wParam, LPARAM lParam) {
    // Controls send their notification codes; menus send 0, accelerators 1, both without a
    // control window.
    return HIWORD(wParam) == BN_CLICKED || lParam == 0;
}

bool EntryMatches(UINT entryMessage, UINT entryCode, UINT entryId, UINT message, WPARAM wParam) {
    if (entryMessage == kCtlColorMessages) {
        return IsCtlColorMessage(message);
    }
    if (entryMessage != message) {
        return false;
    }
    if (message == WM_COMMAND) {
        return HIWORD(wParam) == entryCode && LOWORD(wParam) == entryId;
    }
    return true;
}

bool CentresItself(DWORD style, short x, short y) {
    if ((style & WS_CHILD) != 0 || (style & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN)) != 0) {
        return false;
    }
    return x == 0 && y == 0;
}

POINT CentredOrigin(const RECT& window, const RECT& over, const RECT& bounds) {
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    LONG x = over.left + ((over.right - over.left) - width) / 2;
    LONG y = over.top + ((over.bottom - over.top) - height) / 2;
    if (x + width > bounds.right) {
        x = bounds.right - width;
    }
    if (y + height > bounds.bottom) {
        y = bounds.bottom - height;
    }
    if (x < bounds.left) {
        x = bounds.left;
    }
    if (y < bounds.top) {
        y = bounds.top;
    }
    return POINT{x, y};
}

}  // namespace fw
