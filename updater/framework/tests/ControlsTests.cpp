// The control wrappers: progress bar bound by data exchange, tool tips, the owning font.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "Font.h"
#include "TestDialog.h"
#include "ToolTipCtrl.h"

namespace {

// What reached the progress bar: its own procedure is replaced by one that keeps the progress
// messages and answers them with values of its own, so a test sees what the wrapper sends and
// what it makes of the answer, not what the system's control does with it.
struct SentToBar {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<SentToBar> g_sentToBar;
WNDPROC g_barProcedure = nullptr;
constexpr LRESULT kPreviousPos = 1234;
constexpr LRESULT kCurrentPos = 4321;

LRESULT CALLBACK RecordingBar(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case PBM_SETRANGE:
        case PBM_SETPOS:
        case PBM_GETPOS:
            g_sentToBar.push_back({message, wParam, lParam});
            return message == PBM_SETPOS ? kPreviousPos : message == PBM_GETPOS ? kCurrentPos : 0;
        default:
            return CallWindowProcW(g_barProcedure, window, message, wParam, lParam);
    }
}

// Runs `use` on the test dialog's bound progress bar with its messages recorded.
std::vector<SentToBar> SentBy(const std::function<void(fw::CProgressCtrl&)>& use) {
    g_sentToBar.clear();
    TestDialog dialog;
    dialog.onInit = [&](TestDialog& d) {
        const HWND bar = d.Item(IDC_T_PROGRESS);
        g_barProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingBar)));
        use(d.progress);
        SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_barProcedure));
        d.EndDialog(0);
    };
    EXPECT_EQ(0, dialog.DoModal());
    return g_sentToBar;
}

}  // namespace

TEST(ProgressCtrl, IsBoundToItsControlByDataExchange) {
    TestDialog dialog;
    HWND bound = nullptr;
    HWND control = nullptr;
    dialog.onInit = [&](TestDialog& d) {
        bound = d.progress.m_hWnd;
        control = d.Item(IDC_T_PROGRESS);
        d.EndDialog(0);
    };
    EXPECT_EQ(0, dialog.DoModal());
    EXPECT_NE(nullptr, control);
    EXPECT_EQ(control, bound);
}

TEST(ProgressCtrl, SetRangeSendsBothBoundsAsSixteenBitValues) {
    const auto sent = SentBy([](fw::CProgressCtrl& bar) {
        bar.SetRange(0, 20);
        bar.SetRange(0, 32767);
        bar.SetRange(-5, 7);
    });
    ASSERT_EQ(3u, sent.size());
    for (const SentToBar& m : sent) {
        EXPECT_EQ(static_cast<UINT>(PBM_SETRANGE), m.message);
        EXPECT_EQ(0u, m.wParam);
    }
    EXPECT_EQ(0x00140000, sent[0].lParam);
    EXPECT_EQ(0x7FFF0000, sent[1].lParam) << "up to the largest 16-bit bound";
    EXPECT_EQ(0x0007FFFB, sent[2].lParam) << "the lower bound in the low word, as 16 bits";
}

TEST(ProgressCtrl, SetPosSendsThePositionAndGivesTheControlsAnswer) {
    int previous = 0;
    int current = 0;
    const auto sent = SentBy([&](fw::CProgressCtrl& bar) {
        previous = bar.SetPos(50);
        bar.SetPos(-3);
        current = bar.GetPos();
    });
    ASSERT_EQ(3u, sent.size());
    EXPECT_EQ(static_cast<UINT>(PBM_SETPOS), sent[0].message);
    EXPECT_EQ(50u, sent[0].wParam);
    EXPECT_EQ(0, sent[0].lParam);
    EXPECT_EQ(static_cast<UINT>(PBM_SETPOS), sent[1].message);
    EXPECT_EQ(static_cast<WPARAM>(-3), sent[1].wParam) << "passed on, for the control to clamp";
    EXPECT_EQ(static_cast<UINT>(PBM_GETPOS), sent[2].message);
    EXPECT_EQ(0u, sent[2].wParam);
    EXPECT_EQ(0, sent[2].lParam);
    EXPECT_EQ(kPreviousPos, previous);
    EXPECT_EQ(kCurrentPos, current);
}

TEST(ToolTipCtrl, AddToolRegistersTheWindowWithItsText) {
    TestDialog dialog;
    HWND tip = nullptr;
    HWND owner = nullptr;
    bool created = false, added = false, refused = true, secondCreate = true;
    LRESULT count = -1;
    std::wstring text;
    TOOLINFOW enumerated{};
    HWND label = nullptr;
    HWND dialogWindow = nullptr;
    fw::CToolTipCtrl toolTips;
    dialog.onInit = [&](TestDialog& d) {
        dialogWindow = d.GetSafeHwnd();
        label = d.Item(IDC_T_LABEL);
        created = toolTips.Create(&d, 0) != FALSE;
        secondCreate = toolTips.Create(&d, 0) != FALSE;
        tip = toolTips.m_hWnd;
        owner = GetWindow(tip, GW_OWNER);
        added = toolTips.AddTool(label, L"Label tip") != FALSE;
        refused = toolTips.AddTool(nullptr, L"no window") != FALSE;
        count = SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0);

        wchar_t buffer[80] = L"";
        TOOLINFOW info{};
        info.cbSize = TTTOOLINFOW_V2_SIZE;
        info.hwnd = dialogWindow;
        info.uId = reinterpret_cast<UINT_PTR>(label);
        info.lpszText = buffer;
        SendMessageW(tip, TTM_GETTEXTW, ARRAYSIZE(buffer), reinterpret_cast<LPARAM>(&info));
        text = buffer;

        wchar_t enumBuffer[80] = L"";
        enumerated.cbSize = TTTOOLINFOW_V2_SIZE;
        enumerated.lpszText = enumBuffer;
        SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&enumerated));

        MSG move{label, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2), 0, {2, 2}};
        toolTips.RelayEvent(&move);
        d.EndDialog(0);
    };
    EXPECT_EQ(0, dialog.DoModal());
    EXPECT_TRUE(created);
    EXPECT_FALSE(secondCreate) << "one control per object";
    EXPECT_EQ(dialogWindow, owner);
    EXPECT_TRUE(added);
    EXPECT_FALSE(refused);
    EXPECT_EQ(1, count);
    EXPECT_EQ(L"Label tip", text);
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(label), enumerated.uId);
    EXPECT_EQ(dialogWindow, enumerated.hwnd);
    EXPECT_NE(0u, enumerated.uFlags & TTF_IDISHWND);
    EXPECT_EQ(0u, enumerated.uFlags & TTF_SUBCLASS) << "the dialog relays mouse moves itself";
    // Owned by the dialog, the control went with it.
    EXPECT_FALSE(IsWindow(tip));
}

TEST(ToolTipCtrl, TheObjectDestroysItsControl) {
    TestDialog dialog;
    HWND tip = nullptr;
    bool goneWithObject = false;
    bool unusedIsQuiet = true;
    dialog.onInit = [&](TestDialog& d) {
        {
            fw::CToolTipCtrl toolTips;
            unusedIsQuiet = toolTips.AddTool(d.Item(IDC_T_LABEL), L"x") == FALSE;
            toolTips.RelayEvent(nullptr);
            ASSERT_TRUE(toolTips.Create(&d));
            tip = toolTips.m_hWnd;
        }
        goneWithObject = !IsWindow(tip);
        d.EndDialog(0);
    };
    EXPECT_EQ(0, dialog.DoModal());
    EXPECT_TRUE(unusedIsQuiet) << "no control yet: nothing added";
    EXPECT_TRUE(goneWithObject);
}

namespace {

LOGFONTW TestLogFont(LONG weight) {
    LOGFONTW font{};
    font.lfHeight = -12;
    font.lfWeight = weight;
    lstrcpyW(font.lfFaceName, L"Tahoma");
    return font;
}

}  // namespace

TEST(Font, OwnsItsHandle) {
    HFONT first = nullptr;
    HFONT second = nullptr;
    {
        fw::CFont font;
        EXPECT_EQ(nullptr, font.GetSafeHandle());
        const LOGFONTW regular = TestLogFont(FW_NORMAL);
        ASSERT_TRUE(font.CreateFontIndirect(&regular));
        first = font;
        EXPECT_EQ(static_cast<DWORD>(OBJ_FONT), GetObjectType(first));

        const LOGFONTW bold = TestLogFont(FW_BOLD);
        ASSERT_TRUE(font.CreateFontIndirect(&bold));
        second = font.GetSafeHandle();
        EXPECT_NE(first, second);
        EXPECT_EQ(0u, GetObjectType(first)) << "the font held before is deleted";

        EXPECT_FALSE(font.CreateFontIndirect(nullptr));
        EXPECT_EQ(second, font.GetSafeHandle()) << "a failed creation keeps the font";
        LOGFONTW read{};
        ASSERT_EQ(static_cast<int>(sizeof read), GetObjectW(font, sizeof read, &read));
        EXPECT_EQ(FW_BOLD, read.lfWeight);
    }
    EXPECT_EQ(0u, GetObjectType(second));
}
