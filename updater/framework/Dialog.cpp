#include "Dialog.h"

#include <cstring>
#include <utility>
#include <vector>

#include "Application.h"
#include "DialogRules.h"
#include "DialogTemplate.h"

namespace fw {

namespace {

HINSTANCE ResourceInstance() {
    CWinApp* application = AfxGetApp();
    if (application != nullptr && application->Instance() != nullptr) {
        return application->Instance();
    }
    return GetModuleHandleW(nullptr);
}

// Wakes the modal loop: a handler run for a message sent from another thread runs inside
// GetMessageW, which would otherwise go on waiting after EndDialog.
void WakeLoop() {
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

}  // namespace

void DDX_Control(CDataExchange* dx, int id, CProgressCtrl& control) {
    control.m_hWnd = dx->m_dialog.GetDlgItem(id);
}

CDialog::CDialog(UINT templateId, const MessageMapEntry* map, HWND parent)
    : templateId_(templateId), map_(map), parent_(parent) {}

CDialog::~CDialog() {
    if (m_hWnd != nullptr && IsWindow(m_hWnd)) {
        DestroyWindow(m_hWnd);
    }
    CWinApp* application = AfxGetApp();
    if (application != nullptr && application->m_pMainWnd == this) {
        application->m_pMainWnd = nullptr;
    }
}

INT_PTR CDialog::DoModal() {
    if (m_hWnd != nullptr) {
        return -1;  // already running
    }
    const HINSTANCE instance = ResourceInstance();
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(templateId_), RT_DIALOG);
    HGLOBAL loaded = found != nullptr ? LoadResource(instance, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    const DWORD size = found != nullptr ? SizeofResource(instance, found) : 0;
    const auto header = ReadDialogTemplateHeader(bytes, size);
    if (bytes == nullptr || !header) {
        return -1;
    }
    // The window is created hidden and shown only once OnInitDialog has let it run: a dialog
    // ended during its initialisation never appears. The copy is DWORD-aligned, as a template
    // must be.
    std::vector<DWORD> copy((size + sizeof(DWORD) - 1) / sizeof(DWORD));
    std::memcpy(copy.data(), bytes, size);
    const DWORD hiddenStyle = header->style & ~WS_VISIBLE;
    std::memcpy(reinterpret_cast<unsigned char*>(copy.data()) + header->styleOffset, &hiddenStyle,
                sizeof hiddenStyle);
    centre_ = CentresItself(header->style, header->x, header->y);
    ended_ = false;
    result_ = -1;

    // As DialogBox does, the owner takes no input while the dialog runs.
    const HWND owner = parent_ != nullptr ? GetAncestor(parent_, GA_ROOT) : nullptr;
    const bool disabledOwner = owner != nullptr && IsWindowEnabled(owner);
    if (disabledOwner) {
        EnableWindow(owner, FALSE);
    }
    const HWND window =
        CreateDialogIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()),
                                   parent_, DialogProc, reinterpret_cast<LPARAM>(this));
    INT_PTR result = -1;
    if (window != nullptr) {
        if (!ended_) {
            ShowWindow(window, SW_SHOWNORMAL);
        }
        RunModalLoop();
        result = result_;
        OnModalLoopEnded();
    }
    if (m_hWnd != nullptr) {
        // Hidden before the owner is enabled again, so activation goes back to the owner.
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (disabledOwner) {
        EnableWindow(owner, TRUE);
        if (m_hWnd != nullptr && GetActiveWindow() == m_hWnd) {
            SetActiveWindow(owner);
        }
    }
    if (m_hWnd != nullptr) {
        DestroyWindow(m_hWnd);
    }
    return result;
}

void CDialog::RunModalLoop() {
    looping_ = true;
    MSG message;
    while (!ended_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // The program is ending: the loop that runs this dialog must see WM_QUIT too.
            PostQuitMessage(static_cast<int>(message.wParam));
            result_ = -1;
            break;
        }
        if (got == -1) {
            result_ = -1;
            break;
        }
        if (!PreTranslateMessage(&message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    looping_ = false;
}

void CDialog::EndDialog(int result) {
    result_ = result;
    ended_ = true;
    if (looping_) {
        WakeLoop();
    }
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::PreTranslateMessage(MSG* message) {
    return m_hWnd != nullptr && IsDialogMessageW(m_hWnd, message);
}

BOOL CDialog::OnInitDialog() {
    CDataExchange dx(*this);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::OnOK() {
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

LRESULT CDialog::Default() {
    if (current_ == nullptr) {
        return 0;
    }
    return DefWindowProcW(current_->hwnd, current_->message, current_->wParam, current_->lParam);
}

bool CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    for (const MessageMapEntry* entry = map_; entry != nullptr && entry->message != 0; ++entry) {
        if (EntryMatches(entry->message, entry->code, entry->id, message, wParam)) {
            entry->invoke(*this, message, wParam, lParam, result);
            return true;
        }
    }
    if (message == WM_COMMAND && IsCommand(wParam, lParam)) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            result = 0;
            return true;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            result = 0;
            return true;
        }
    }
    return false;
}

void CDialog::CentreWindow() {
    RECT window;
    if (!GetWindowRect(m_hWnd, &window)) {
        return;
    }
    const HWND owner = GetWindow(m_hWnd, GW_OWNER);
    const bool overOwner = owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(overOwner ? owner : m_hWnd, MONITOR_DEFAULTTOPRIMARY),
                         &monitor)) {
        return;
    }
    RECT over = monitor.rcWork;
    if (overOwner) {
        GetWindowRect(owner, &over);
    }
    const POINT origin = CentredOrigin(window, over, monitor.rcWork);
    SetWindowPos(m_hWnd, nullptr, origin.x, origin.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->m_hWnd = window;
    } else {
        self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (self == nullptr) {
        return FALSE;  // before WM_INITDIALOG: the dialog manager's own handling
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        if (!self->ended_) {
            // Destroyed without EndDialog: the modal run is over, with no result.
            self->result_ = -1;
            self->ended_ = true;
            if (self->looping_) {
                WakeLoop();
            }
        }
        return FALSE;
    }

    const MSG current{window, message, wParam, lParam, 0, {0, 0}};
    const MSG* outer = std::exchange(self->current_, &current);
    LRESULT result = 0;
    bool handled = true;
    if (message == WM_INITDIALOG) {
        RECT before{};
        GetWindowRect(window, &before);
        result = self->OnInitDialog();
        RECT after{};
        // A dialog that placed itself in OnInitDialog stays where it put itself.
        if (self->centre_ && !self->ended_ && GetWindowRect(window, &after) &&
            after.left == before.left && after.top == before.top) {
            self->CentreWindow();
        }
    } else {
        handled = self->Dispatch(message, wParam, lParam, result);
    }
    self->current_ = outer;
    if (!handled) {
        return FALSE;
    }
    if (ReturnsResultDirectly(message)) {
        return static_cast<INT_PTR>(result);
    }
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace fw
