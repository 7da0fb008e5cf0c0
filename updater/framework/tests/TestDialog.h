// A dialog of the framework tests: every kind of message-map entry, hooks for what a test does
// inside the modal run, and a record of what reached it.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

#include "Dialog.h"
#include "FrameworkTestIds.h"
#include "ProgressCtrl.h"

// Commands of the test's private message WM_APP (wParam).
enum TestCommand : WPARAM {
    kEndWith = 1,  // EndDialog(lParam)
    kEcho,         // result lParam
    kRun,          // run `onApp`
};

// Ends any test dialog that would otherwise wait for ever (after 10 s, widened by the time
// scale); its result tells the test.
constexpr UINT_PTR kFailSafeTimer = 99;
constexpr int kFailSafeResult = -2;

class TestDialog : public fw::CDialog {
public:
    explicit TestDialog(UINT templateId = IDD_TEST, bool withMap = true);

    std::function<void(TestDialog&)> onInit;    // inside OnInitDialog, after the base
    std::function<void(TestDialog&)> onApp;     // WM_APP kRun
    std::function<void(TestDialog&)> onAnswer;  // after each OnOK or OnCancel
    bool keepOpen = false;                      // OnOK and OnCancel do nothing
    std::vector<bool> loopEnds;                 // each OnModalLoopEnded: the window still there
    UINT_PTR endOnTimer = 0;                    // this timer's tick ends the run with its ID

    int okCount = 0;
    int cancelCount = 0;
    int paintCount = 0;
    int clickCount = 0;
    int showCount = 0;
    std::vector<UINT> ctlColorKinds;
    HBRUSH defaultBrush = nullptr;  // what Default() gave the last control-colour message
    std::vector<UINT_PTR> timers;
    std::vector<std::pair<UINT, LPARAM>> sysCommands;
    std::vector<MSG> preTranslated;
    HICON dragIcon = nullptr;
    fw::CProgressCtrl progress;

    HWND Item(int id) const { return GetDlgItem(id); }

    void DoDataExchange(fw::CDataExchange* dx) override;
    BOOL PreTranslateMessage(MSG* message) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnModalLoopEnded() override;

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnClicked();
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind);
    void OnTimer(UINT_PTR id);
    void OnSysCommand(UINT id, LPARAM lParam);
    LRESULT OnApp(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowWindow(WPARAM wParam, LPARAM lParam);

    static const fw::MessageMapEntry kMap[];
};
