#include "MessageBoxReadout.h"

#include "ProcessWindows.h"
#include "WindowReadout.h"

namespace e2e {

namespace {

constexpr int kTextControlId = 0xFFFF;
constexpr int kButtonIds[] = {IDOK,  IDCANCEL, IDABORT,    IDRETRY,   IDIGNORE,
                              IDYES, IDNO,     IDTRYAGAIN, IDCONTINUE};

bool IsDefaultPushButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    return button != nullptr &&
           (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

int DefaultButton(HWND box, LRESULT reported) {
    if (HIWORD(reported) == DC_HASDEFID && IsDefaultPushButton(box, LOWORD(reported))) {
        return LOWORD(reported);
    }
    for (int id : kButtonIds) {
        if (IsDefaultPushButton(box, id)) {
            return id;
        }
    }
    return 0;
}

}  // namespace

HWND FindMessageBox(DWORD processId, const std::wstring& caption, HWND except) {
    for (HWND window : TopLevelWindows(processId)) {
        if (window == except || ClassNameOf(window) != L"#32770" || !IsWindowVisible(window)) {
            continue;
        }
        const auto text = TextOf(window);
        if (text && *text == caption) {
            return window;
        }
    }
    return nullptr;
}

std::optional<MessageBoxView> ReadMessageBox(HWND box) {
    HWND textControl = GetDlgItem(box, kTextControlId);
    if (textControl == nullptr) {
        return std::nullopt;
    }
    const auto text = TextOf(textControl);
    const auto defaultId = Send(box, DM_GETDEFID, 0, 0);
    if (!text || !defaultId) {
        return std::nullopt;
    }
    MessageBoxView view;
    view.text = *text;
    view.ok = GetDlgItem(box, IDOK) != nullptr;
    view.cancel = GetDlgItem(box, IDCANCEL) != nullptr;
    view.yes = GetDlgItem(box, IDYES) != nullptr;
    view.no = GetDlgItem(box, IDNO) != nullptr;
    view.defaultId = DefaultButton(box, *defaultId);
    return view;
}

bool AnswerMessageBox(HWND box, int buttonId) {
    HWND button = GetDlgItem(box, buttonId);
    return button != nullptr && Click(button, Delivery::Posted);
}

}  // namespace e2e
