#include "ToolTipCtrl.h"

#include <commctrl.h>

#include "Dialog.h"

namespace fw {

namespace {

// The tool-tip control goes with its owner; a handle kept after that may name another window.
bool IsOurToolTip(HWND window) {
    wchar_t className[64];
    return window != nullptr && IsWindow(window) &&
           GetClassNameW(window, className, ARRAYSIZE(className)) > 0 &&
           lstrcmpiW(className, TOOLTIPS_CLASSW) == 0;
}

}  // namespace

CToolTipCtrl::~CToolTipCtrl() {
    if (IsOurToolTip(m_hWnd)) {
        DestroyWindow(m_hWnd);
    }
}

BOOL CToolTipCtrl::Create(CDialog* parent, DWORD style) {
    if (IsOurToolTip(m_hWnd)) {
        return FALSE;  // one control per object
    }
    const HWND owner = parent != nullptr ? parent->GetSafeHwnd() : nullptr;
    m_hWnd = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    return m_hWnd != nullptr;
}

BOOL CToolTipCtrl::AddTool(HWND tool, const wchar_t* text) {
    if (m_hWnd == nullptr || tool == nullptr) {
        return FALSE;
    }
    TOOLINFOW info{};
    // The version 2 size is the one every comctl32 from 5.8 on, version 6 included, accepts;
    // the full structure of newer headers is refused by older ones.
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    // No TTF_SUBCLASS: the dialog hands the tool's mouse messages over itself (RelayEvent).
    info.uFlags = TTF_IDISHWND;
    const HWND container = GetParent(tool);
    info.hwnd = container != nullptr ? container : GetWindow(m_hWnd, GW_OWNER);
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = const_cast<wchar_t*>(text != nullptr ? text : L"");
    return SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

void CToolTipCtrl::RelayEvent(const MSG* message) {
    if (m_hWnd != nullptr && message != nullptr) {
        SendMessageW(m_hWnd, TTM_RELAYEVENT, 0,
                     reinterpret_cast<LPARAM>(const_cast<MSG*>(message)));
    }
}

}  // namespace fw
