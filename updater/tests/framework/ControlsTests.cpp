// The control wrappers: progress bar bound by data exchange, tool tips, the owning font.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "Font.h"
#include "TestDialog.h"
#include "ToolTipCtrl.h"

TEST(ProgressCtrl, BoundByDataExchangeAndClampedToItsRange) {
    TestDialog dialog;
    bool bound = false;
    int first = -1, second = -1, clamped = -1, below = -1;
    PBRANGE range{-1, -1};
    dialog.onInit = [&](TestDialog& d) {
        bound = d.progress.m_hWnd != nullptr && d.progress.m_hWnd == d.Item(IDC_T_PROGRESS);
        d.progress.SetRange(0, 20);
        first = d.progress.SetPos(5);  // the previous position
        second = d.progress.SetPos(50);
        clamped = d.progress.GetPos();
        d.progress.SetPos(-3);
        below = d.progress.GetPos();
        SendMessageW(d.progress.m_hWnd, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
        d.EndDialog(0);
    };
    EXPECT_EQ(0, dialog.DoModal());
    EXPECT_TRUE(bound);
    EXPECT_EQ(0, first);
    EXPECT_EQ(5, second);
    EXPECT_EQ(20, clamped);
    EXPECT_EQ(0, below);
    EXPECT_EQ(0, range.iLow);
    EXPECT_EQ(20, range.iHigh);
}

TEST(ProgressCtrl, UpperBoundsUpToTheShortLimit) {
    TestDialog dialog;
    int pos = -1;
    dialog.onInit = [&](TestDialog& d) {
        d.progress.SetRange(0, 32767);
        d.progress.SetPos(32767);
        pos = d.progress.GetPos();
        d.EndDialog(0);
    };
    dialog.DoModal();
    EXPECT_EQ(32767, pos);
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
