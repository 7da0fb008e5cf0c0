// The modal dialog under Wine: its loop, the message map, default handling and results.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "TestDialog.h"
#include "TimeScale.h"

namespace {

constexpr LPARAM kEnterDown = 0x001C0001;
constexpr LPARAM kEscapeDown = 0x00010001;
constexpr LPARAM kAltF4Down = 0x203E0001;  // bit 29: Alt held

void PostEnd(HWND dialog, int result) {
    PostMessageW(dialog, WM_APP, kEndWith, result);
}

// Whether `wanted` occurs in `seen` in this order (other messages in between).
bool SeenInOrder(const std::vector<MSG>& seen, const std::vector<std::pair<HWND, UINT>>& wanted) {
    std::size_t next = 0;
    for (const MSG& m : seen) {
        if (next < wanted.size() && m.hwnd == wanted[next].first &&
            m.message == wanted[next].second) {
            ++next;
        }
    }
    return next == wanted.size();
}

}  // namespace

TEST(DialogMap, RoutesEachKindOfEntry) {
    TestDialog dialog;
    dialog.dragIcon = LoadIconW(nullptr, IDI_APPLICATION);
    LRESULT echoed = 0;
    LRESULT dragIcon = 0;
    dialog.onInit = [&](TestDialog& d) {
        const HWND w = d.GetSafeHwnd();
        const auto button = reinterpret_cast<LPARAM>(d.Item(IDC_T_BUTTON));
        SendMessageW(w, WM_COMMAND, MAKEWPARAM(IDC_T_BUTTON, BN_CLICKED), button);
        // Another notification of the button, and a click of another control: not routed.
        SendMessageW(w, WM_COMMAND, MAKEWPARAM(IDC_T_BUTTON, BN_DOUBLECLICKED), button);
        SendMessageW(w, WM_COMMAND, MAKEWPARAM(IDC_T_LABEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(d.Item(IDC_T_LABEL)));
        SendMessageW(w, WM_PAINT, 0, 0);
        // WM_QUERYDRAGICON's result is the procedure's own; WM_APP's goes by DWLP_MSGRESULT.
        dragIcon = SendMessageW(w, WM_QUERYDRAGICON, 0, 0);
        echoed = SendMessageW(w, WM_APP, kEcho, 0x12345678);
        PostMessageW(w, WM_SYSCOMMAND, 0x20, 3);
        // A timer ticks only while no posted message waits: after the command above.
        SetTimer(w, 5, 10, nullptr);
    };
    dialog.endOnTimer = 5;

    EXPECT_EQ(5, dialog.DoModal());
    EXPECT_EQ(1, dialog.clickCount);
    EXPECT_GE(dialog.paintCount, 1);
    EXPECT_EQ(reinterpret_cast<LRESULT>(dialog.dragIcon), dragIcon);
    EXPECT_EQ(0x12345678, echoed);
    ASSERT_FALSE(dialog.sysCommands.empty());
    EXPECT_EQ(0x20u, dialog.sysCommands[0].first);
    EXPECT_EQ(3, dialog.sysCommands[0].second);
    EXPECT_EQ(std::vector<UINT_PTR>{5}, dialog.timers);
    EXPECT_EQ(0, dialog.okCount + dialog.cancelCount);
}

TEST(DialogMap, ControlColourReachesTheHandlerWithItsKind) {
    TestDialog dialog;
    std::vector<LRESULT> results;
    dialog.onInit = [&](TestDialog& d) {
        HDC dc = GetDC(d.GetSafeHwnd());
        d.ctlColorKinds.clear();
        const struct {
            UINT message;
            int control;
        } sent[] = {{WM_CTLCOLORSTATIC, IDC_T_LABEL},
                    {WM_CTLCOLORBTN, IDC_T_BUTTON},
                    {WM_CTLCOLOREDIT, IDC_T_EDIT},
                    {WM_CTLCOLORLISTBOX, IDC_T_LIST},
                    {WM_CTLCOLORDLG, 0},
                    {WM_CTLCOLORSCROLLBAR, IDC_T_LIST},
                    {WM_CTLCOLORMSGBOX, 0}};
        for (const auto& s : sent) {
            const HWND control = s.control != 0 ? d.Item(s.control) : d.GetSafeHwnd();
            results.push_back(SendMessageW(d.GetSafeHwnd(), s.message, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(control)));
            // The brush is the procedure's own result, not DWLP_MSGRESULT.
            EXPECT_EQ(reinterpret_cast<LRESULT>(d.defaultBrush), results.back()) << s.message;
        }
        ReleaseDC(d.GetSafeHwnd(), dc);
        d.EndDialog(0);
    };
    EXPECT_EQ(0, dialog.DoModal());
    const std::vector<UINT> expected = {CTLCOLOR_STATIC,  CTLCOLOR_BTN, CTLCOLOR_EDIT,
                                        CTLCOLOR_LISTBOX, CTLCOLOR_DLG, CTLCOLOR_SCROLLBAR,
                                        CTLCOLOR_MSGBOX};
    EXPECT_EQ(expected, dialog.ctlColorKinds);
    ASSERT_EQ(7u, results.size());
    EXPECT_NE(0, results[0]) << "the default handling gives a brush";
}

namespace {

struct KeyCase {
    const char* name;
    bool toEdit;  // posted to the edit control, else to the dialog
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    INT_PTR result;
};

const KeyCase kClosingInputs[] = {
    {"Enter", true, WM_KEYDOWN, VK_RETURN, kEnterDown, IDOK},
    {"Escape", true, WM_KEYDOWN, VK_ESCAPE, kEscapeDown, IDCANCEL},
    {"WM_CLOSE", false, WM_CLOSE, 0, 0, IDCANCEL},
    {"SC_CLOSE", false, WM_SYSCOMMAND, SC_CLOSE, 0, IDCANCEL},
    {"Alt+F4", true, WM_SYSKEYDOWN, VK_F4, kAltF4Down, IDCANCEL},
};

void PostInput(TestDialog& d, const KeyCase& k) {
    PostMessageW(k.toEdit ? d.Item(IDC_T_EDIT) : d.GetSafeHwnd(), k.message, k.wParam, k.lParam);
}

}  // namespace

// The base OnOK and OnCancel end the dialog; the handler of WM_SYSCOMMAND passes SC_CLOSE on
// through Default().
TEST(DialogDefaults, EnterEscapeAndCloseCommandsEndInOkOrCancel) {
    for (bool withMap : {true, false}) {
        for (const KeyCase& k : kClosingInputs) {
            TestDialog dialog(IDD_TEST, withMap);
            dialog.onInit = [&](TestDialog& d) { PostInput(d, k); };
            EXPECT_EQ(k.result, dialog.DoModal()) << k.name << (withMap ? "" : " without map");
            if (withMap && k.message != WM_KEYDOWN) {
                const bool sawClose =
                    std::any_of(dialog.sysCommands.begin(), dialog.sysCommands.end(),
                                [](const auto& c) { return (c.first & 0xFFF0) == SC_CLOSE; });
                EXPECT_EQ(k.message != WM_CLOSE, sawClose) << k.name;
            }
        }
    }
}

TEST(DialogDefaults, EmptyOkAndCancelKeepTheDialogOpen) {
    TestDialog dialog;
    dialog.keepOpen = true;
    dialog.onInit = [&](TestDialog& d) {
        for (const KeyCase& k : kClosingInputs) {
            PostInput(d, k);
        }
    };
    dialog.onAnswer = [&](TestDialog& d) {
        if (d.okCount == 1 && d.cancelCount == 4) {
            PostEnd(d.GetSafeHwnd(), 77);
        }
    };
    EXPECT_EQ(77, dialog.DoModal());
    EXPECT_EQ(1, dialog.okCount);
    EXPECT_EQ(4, dialog.cancelCount);
}

TEST(DialogLoop, PreTranslateMessageSeesEveryMessageOfTheLoop) {
    TestDialog dialog;
    HWND window = nullptr;
    HWND label = nullptr;
    dialog.onInit = [&](TestDialog& d) {
        window = d.GetSafeHwnd();
        label = d.Item(IDC_T_LABEL);
        PostMessageW(window, WM_APP + 1, 0, 0);
        PostMessageW(label, WM_USER + 5, 0, 0);
        PostThreadMessageW(GetCurrentThreadId(), WM_APP + 2, 0, 0);
        PostEnd(window, 5);
    };
    EXPECT_EQ(5, dialog.DoModal());
    EXPECT_TRUE(SeenInOrder(
        dialog.preTranslated,
        {{window, WM_APP + 1}, {label, WM_USER + 5}, {nullptr, WM_APP + 2}, {window, WM_APP}}));
}

TEST(DialogLoop, EndDialogInOnInitDialogNeverShowsTheWindow) {
    TestDialog dialog;
    HWND window = nullptr;
    dialog.onInit = [&](TestDialog& d) {
        window = d.GetSafeHwnd();
        d.EndDialog(42);
    };
    EXPECT_EQ(42, dialog.DoModal());
    EXPECT_EQ(0, dialog.showCount);
    ASSERT_NE(nullptr, window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, dialog.GetSafeHwnd());
    // The object can run again.
    dialog.onInit = [](TestDialog& d) { PostEnd(d.GetSafeHwnd(), 43); };
    EXPECT_EQ(43, dialog.DoModal());
    EXPECT_GE(dialog.showCount, 1);
}

TEST(DialogLoop, EndDialogFromAMessageSentByAnotherThread) {
    TestDialog dialog(IDD_TEST_PLACED);  // no edit control, so no caret timer
    HANDLE looping = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, looping);
    std::thread sender;
    int runs = 0;
    dialog.onInit = [&](TestDialog& d) {
        const HWND window = d.GetSafeHwnd();
        sender = std::thread([window, looping] {
            if (WaitForSingleObject(looping, tavik::test::Scaled(10000)) == WAIT_OBJECT_0) {
                SendMessageW(window, WM_APP, kRun, 0);
            }
        });
        PostMessageW(window, WM_APP, kRun, 0);
    };
    dialog.onApp = [&](TestDialog& d) {
        if (++runs == 1) {
            SetEvent(looping);  // posted: the modal loop runs
            return;
        }
        // Sent: handled inside GetMessageW, which returns for posted messages only. With
        // nothing posted and nothing to paint, the loop must still notice EndDialog.
        MSG pending;
        while (PeekMessageW(&pending, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) {
        }
        RedrawWindow(d.GetSafeHwnd(), nullptr, nullptr, RDW_VALIDATE | RDW_ALLCHILDREN);
        d.EndDialog(9);
    };
    const INT_PTR result = dialog.DoModal();
    SetEvent(looping);
    sender.join();
    CloseHandle(looping);
    EXPECT_EQ(2, runs);
    EXPECT_EQ(9, result) << "-2: the loop slept through EndDialog";
}

TEST(DialogLoop, QuitEndsTheLoopAndIsPostedAgain) {
    TestDialog dialog;
    HWND window = nullptr;
    dialog.onInit = [&](TestDialog& d) {
        window = d.GetSafeHwnd();
        PostQuitMessage(7);
    };
    EXPECT_EQ(-1, dialog.DoModal());
    EXPECT_FALSE(IsWindow(window));
    MSG quit;
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, quit.wParam);
}

TEST(DialogLoop, ADialogDestroyedWithoutEndDialogEndsTheRun) {
    TestDialog dialog;
    dialog.onInit = [](TestDialog& d) { PostMessageW(d.GetSafeHwnd(), WM_APP, kRun, 0); };
    dialog.onApp = [](TestDialog& d) { DestroyWindow(d.GetSafeHwnd()); };
    EXPECT_EQ(-1, dialog.DoModal());
    EXPECT_EQ(nullptr, dialog.GetSafeHwnd());
}

TEST(DialogLoop, EveryEndOfTheLoopIsReportedOnceBeforeTheWindowGoes) {
    TestDialog ended;
    ended.onInit = [](TestDialog& d) { PostEnd(d.GetSafeHwnd(), 5); };
    EXPECT_EQ(5, ended.DoModal());
    EXPECT_EQ(ended.loopEnds, std::vector<bool>{true});

    TestDialog quit;
    quit.onInit = [](TestDialog&) { PostQuitMessage(0); };
    EXPECT_EQ(-1, quit.DoModal());
    EXPECT_EQ(quit.loopEnds, std::vector<bool>{true});
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));

    TestDialog destroyed;
    destroyed.onInit = [](TestDialog& d) { PostMessageW(d.GetSafeHwnd(), WM_APP, kRun, 0); };
    destroyed.onApp = [](TestDialog& d) { DestroyWindow(d.GetSafeHwnd()); };
    EXPECT_EQ(-1, destroyed.DoModal());
    EXPECT_EQ(destroyed.loopEnds, std::vector<bool>{false});

    // Ended in OnInitDialog: the loop never ran a message, but it ended all the same.
    TestDialog refused;
    refused.onInit = [](TestDialog& d) { d.EndDialog(1); };
    EXPECT_EQ(1, refused.DoModal());
    EXPECT_EQ(refused.loopEnds, std::vector<bool>{true});
}

TEST(DialogLoop, AMissingTemplateFails) {
    TestDialog dialog(4711);
    bool initialised = false;
    dialog.onInit = [&](TestDialog&) { initialised = true; };
    EXPECT_EQ(-1, dialog.DoModal());
    EXPECT_FALSE(initialised);
}

namespace {

struct BoxSearch {
    HWND dialog;
    HWND box;
};

// A dialog-class window of this thread other than the test's dialog: the message box.
BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<BoxSearch*>(param);
    wchar_t name[16];
    if (window != search->dialog && GetClassNameW(window, name, 16) > 0 &&
        lstrcmpW(name, L"#32770") == 0) {
        search->box = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

TEST(DialogLoop, AMessageBoxFromAHandlerKeepsMessagesFlowing) {
    TestDialog dialog;
    HANDLE boxOpen = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, boxOpen);
    std::atomic<HWND> box{nullptr};
    std::atomic<bool> sentAnswered{false};
    std::atomic<int> previousPos{-1};
    int boxResult = 0;
    int postedWhileOpen = 0;
    int posAfterBox = -1;
    std::thread helper;

    dialog.onInit = [&](TestDialog& d) {
        d.progress.SetRange(0, 100);
        const HWND progress = d.Item(IDC_T_PROGRESS);
        // The helper waits for the box, then sends to a control of the dialog while the box
        // is open, and only then closes the box.
        helper = std::thread([&, progress] {
            if (WaitForSingleObject(boxOpen, tavik::test::Scaled(10000)) != WAIT_OBJECT_0) {
                return;
            }
            DWORD_PTR previous = 0;
            if (SendMessageTimeoutW(progress, PBM_SETPOS, 42, 0, SMTO_NORMAL,
                                    tavik::test::Scaled(10000), &previous)) {
                previousPos = static_cast<int>(previous);
                sentAnswered = true;
            }
            PostMessageW(box.load(), WM_COMMAND, IDOK, 0);
        });
        PostMessageW(d.GetSafeHwnd(), WM_APP, kRun, 0);
    };
    int runs = 0;
    dialog.onApp = [&](TestDialog& d) {
        ++runs;
        if (runs == 1) {
            // Handled inside the box's own loop: the posted message below comes in while the
            // box is open.
            PostMessageW(d.GetSafeHwnd(), WM_APP, kRun, 0);
            boxResult = MessageBoxW(d.GetSafeHwnd(), L"Box text", L"Box", MB_OK);
            posAfterBox = d.progress.GetPos();
            d.EndDialog(boxResult);
            return;
        }
        ++postedWhileOpen;
        BoxSearch find{d.GetSafeHwnd(), nullptr};
        EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&find));
        if (find.box == nullptr) {
            PostMessageW(d.GetSafeHwnd(), WM_APP, kRun, 0);  // not yet made: look again
            return;
        }
        box = find.box;
        SetEvent(boxOpen);
    };
    const INT_PTR result = dialog.DoModal();
    SetEvent(boxOpen);  // a helper still waiting gives up
    helper.join();
    CloseHandle(boxOpen);
    EXPECT_EQ(IDOK, result);
    EXPECT_GE(postedWhileOpen, 1);
    EXPECT_TRUE(sentAnswered);
    EXPECT_EQ(0, previousPos.load());
    EXPECT_EQ(42, posAfterBox);
}

TEST(DialogPlacement, ATemplateAtZeroZeroIsCentredAndShown) {
    TestDialog dialog;
    RECT window{};
    RECT work{};
    bool visible = false;
    bool focusOnFirstTabStop = false;
    dialog.onInit = [](TestDialog& d) { PostMessageW(d.GetSafeHwnd(), WM_APP, kRun, 0); };
    dialog.onApp = [&](TestDialog& d) {
        GetWindowRect(d.GetSafeHwnd(), &window);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(d.GetSafeHwnd(), MONITOR_DEFAULTTOPRIMARY), &monitor);
        work = monitor.rcWork;
        visible = IsWindowVisible(d.GetSafeHwnd()) != FALSE;
        // Given while the window was still hidden, the initial focus survives the showing.
        focusOnFirstTabStop = GetFocus() == d.Item(IDC_T_EDIT);
        d.EndDialog(0);
    };
    EXPECT_EQ(0, dialog.DoModal());
    EXPECT_TRUE(visible);
    EXPECT_TRUE(focusOnFirstTabStop);
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    EXPECT_EQ(work.left + (work.right - work.left - width) / 2, window.left);
    EXPECT_EQ(work.top + (work.bottom - work.top - height) / 2, window.top);
}

// A template's position is that of the client area.
TEST(DialogPlacement, APlacedTemplateStaysAndAHiddenOneIsShown) {
    TestDialog dialog(IDD_TEST_PLACED);
    POINT client{0, 0};
    RECT placed{20, 30, 0, 0};
    bool visible = false;
    dialog.onInit = [](TestDialog& d) { PostMessageW(d.GetSafeHwnd(), WM_APP, kRun, 0); };
    dialog.onApp = [&](TestDialog& d) {
        ClientToScreen(d.GetSafeHwnd(), &client);
        MapDialogRect(d.GetSafeHwnd(), &placed);
        visible = IsWindowVisible(d.GetSafeHwnd()) != FALSE;
        d.EndDialog(0);
    };
    EXPECT_EQ(0, dialog.DoModal());
    EXPECT_TRUE(visible);
    EXPECT_EQ(placed.left, client.x);
    EXPECT_EQ(placed.top, client.y);
}

TEST(DialogPlacement, AClassicTemplateRunsToo) {
    TestDialog dialog(IDD_TEST_CLASSIC);
    dialog.onInit = [](TestDialog& d) {
        EXPECT_NE(nullptr, d.Item(IDC_T_LABEL));
        PostMessageW(d.Item(IDC_T_LABEL), WM_KEYDOWN, VK_ESCAPE, kEscapeDown);
    };
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_GE(dialog.showCount, 1) << "shown once initialised";
}
