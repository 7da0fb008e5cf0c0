#include "TestDialog.h"

#include <commctrl.h>

#include "TimeScale.h"

namespace {

void InitControls() {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
}

}  // namespace

const fw::MessageMapEntry TestDialog::kMap[] = {
    fw::MapPaint<&TestDialog::OnPaint>(),
    fw::MapQueryDragIcon<&TestDialog::OnQueryDragIcon>(),
    fw::MapButtonClicked<IDC_T_BUTTON, &TestDialog::OnClicked>(),
    fw::MapCtlColor<&TestDialog::OnCtlColor>(),
    fw::MapTimer<&TestDialog::OnTimer>(),
    fw::MapSysCommand<&TestDialog::OnSysCommand>(),
    fw::MapMessage<WM_APP, &TestDialog::OnApp>(),
    fw::MapMessage<WM_SHOWWINDOW, &TestDialog::OnShowWindow>(),
    fw::kEndOfMessageMap,
};

TestDialog::TestDialog(UINT templateId, bool withMap)
    : fw::CDialog(templateId, withMap ? kMap : nullptr) {
    InitControls();
}

void TestDialog::DoDataExchange(fw::CDataExchange* dx) {
    fw::CDialog::DoDataExchange(dx);
    fw::DDX_Control(dx, IDC_T_PROGRESS, progress);
}

BOOL TestDialog::PreTranslateMessage(MSG* message) {
    preTranslated.push_back(*message);
    return fw::CDialog::PreTranslateMessage(message);
}

BOOL TestDialog::OnInitDialog() {
    const BOOL result = fw::CDialog::OnInitDialog();
    SetTimer(m_hWnd, kFailSafeTimer, tavik::test::Scaled(10000), nullptr);
    if (onInit) {
        onInit(*this);
    }
    return result;
}

void TestDialog::OnOK() {
    ++okCount;
    if (!keepOpen) {
        fw::CDialog::OnOK();
    }
    if (onAnswer) {
        onAnswer(*this);
    }
}

void TestDialog::OnCancel() {
    ++cancelCount;
    if (!keepOpen) {
        fw::CDialog::OnCancel();
    }
    if (onAnswer) {
        onAnswer(*this);
    }
}

void TestDialog::OnModalLoopEnded() {
    loopEnds.push_back(IsWindow(m_hWnd) != FALSE);
}

void TestDialog::OnPaint() {
    ++paintCount;
    Default();
}

HCURSOR TestDialog::OnQueryDragIcon() {
    return dragIcon;
}

void TestDialog::OnClicked() {
    ++clickCount;
}

HBRUSH TestDialog::OnCtlColor(HDC, HWND, UINT kind) {
    ctlColorKinds.push_back(kind);
    defaultBrush = reinterpret_cast<HBRUSH>(Default());
    return defaultBrush;
}

void TestDialog::OnTimer(UINT_PTR id) {
    if (id == kFailSafeTimer) {
        EndDialog(kFailSafeResult);
        return;
    }
    timers.push_back(id);
    if (endOnTimer != 0 && id == endOnTimer) {
        KillTimer(m_hWnd, id);
        EndDialog(static_cast<int>(id));
    }
}

void TestDialog::OnSysCommand(UINT id, LPARAM lParam) {
    sysCommands.emplace_back(id, lParam);
    if ((id & 0xFFF0) >= 0xF000) {
        Default();
    }
}

LRESULT TestDialog::OnApp(WPARAM wParam, LPARAM lParam) {
    switch (wParam) {
        case kEndWith:
            EndDialog(static_cast<int>(lParam));
            return 0;
        case kEcho:
            return lParam;
        case kRun:
            if (onApp) {
                onApp(*this);
            }
            return 0;
        default:
            return 0;
    }
}

LRESULT TestDialog::OnShowWindow(WPARAM, LPARAM) {
    ++showCount;
    return Default();
}
