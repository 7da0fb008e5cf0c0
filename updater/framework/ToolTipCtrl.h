// A tool-tip control with one tool per window.
#pragma once

#include <windows.h>

namespace fw {

class CDialog;

class CToolTipCtrl {
public:
    CToolTipCtrl() = default;
    ~CToolTipCtrl();  // destroys the control's window
    CToolTipCtrl(const CToolTipCtrl&) = delete;
    CToolTipCtrl& operator=(const CToolTipCtrl&) = delete;

    // Creates the control with the dialog as its parent and the given style.
    BOOL Create(CDialog* parent, DWORD style = 0);
    // Adds `tool` (a child window of the parent) as a tool whose tip is `text`.
    BOOL AddTool(HWND tool, const wchar_t* text);
    // Hands a mouse message to the control (TTM_RELAYEVENT).
    void RelayEvent(const MSG* message);

    HWND m_hWnd = nullptr;
};

}  // namespace fw
