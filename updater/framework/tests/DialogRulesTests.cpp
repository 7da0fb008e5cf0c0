// The modal dialog's decisions and its reading of template headers.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <vector>

#include "Dialog.h"
#include "DialogRules.h"
#include "DialogTemplate.h"

TEST(DialogRules, WhichResultsTheProcedureReturnsItself) {
    for (UINT m = WM_CTLCOLORMSGBOX; m <= WM_CTLCOLORSTATIC; ++m) {
        EXPECT_TRUE(fw::ReturnsResultDirectly(m)) << m;
        EXPECT_TRUE(fw::IsCtlColorMessage(m)) << m;
    }
    EXPECT_FALSE(fw::IsCtlColorMessage(WM_CTLCOLORMSGBOX - 1));
    EXPECT_FALSE(fw::IsCtlColorMessage(WM_CTLCOLORSTATIC + 1));
    for (UINT m : std::initializer_list<UINT>{WM_INITDIALOG, WM_QUERYDRAGICON, WM_COMPAREITEM,
                                              WM_VKEYTOITEM, WM_CHARTOITEM}) {
        EXPECT_TRUE(fw::ReturnsResultDirectly(m)) << m;
    }
    for (UINT m :
         std::initializer_list<UINT>{WM_COMMAND, WM_SYSCOMMAND, WM_TIMER, WM_PAINT, WM_NOTIFY,
                                     WM_APP, static_cast<UINT>(WM_CTLCOLORSTATIC + 1)}) {
        EXPECT_FALSE(fw::ReturnsResultDirectly(m)) << m;
    }
}

TEST(DialogRules, MapEntriesTakeTheirMessages) {
    const WPARAM clicked1002 = MAKEWPARAM(1002, BN_CLICKED);
    EXPECT_TRUE(fw::EntryMatches(WM_COMMAND, BN_CLICKED, 1002, WM_COMMAND, clicked1002));
    EXPECT_FALSE(fw::EntryMatches(WM_COMMAND, BN_CLICKED, 1003, WM_COMMAND, clicked1002));
    EXPECT_FALSE(fw::EntryMatches(WM_COMMAND, BN_CLICKED, 1002, WM_COMMAND,
                                  MAKEWPARAM(1002, BN_DOUBLECLICKED)));
    EXPECT_FALSE(fw::EntryMatches(WM_COMMAND, BN_CLICKED, 1002, WM_SYSCOMMAND, clicked1002));
    // Other entries ignore wParam.
    EXPECT_TRUE(fw::EntryMatches(WM_TIMER, 0, 0, WM_TIMER, 5));
    EXPECT_TRUE(fw::EntryMatches(WM_SYSCOMMAND, 0, 0, WM_SYSCOMMAND, SC_CLOSE));
    EXPECT_FALSE(fw::EntryMatches(WM_TIMER, 0, 0, WM_PAINT, 0));
    for (UINT m = WM_CTLCOLORMSGBOX; m <= WM_CTLCOLORSTATIC; ++m) {
        EXPECT_TRUE(fw::EntryMatches(fw::kCtlColorMessages, 0, 0, m, 0)) << m;
    }
    EXPECT_FALSE(fw::EntryMatches(fw::kCtlColorMessages, 0, 0, WM_CTLCOLORSTATIC + 1, 0));
}

TEST(DialogRules, CommandsAreClicksMenusAndAccelerators) {
    const LPARAM control = 0x1234;
    EXPECT_TRUE(fw::IsCommand(MAKEWPARAM(IDOK, BN_CLICKED), control));
    EXPECT_TRUE(fw::IsCommand(MAKEWPARAM(IDCANCEL, 0), 0));  // menu
    EXPECT_TRUE(fw::IsCommand(MAKEWPARAM(IDOK, 1), 0));      // accelerator
    // Another notification of a control whose ID happens to be IDOK is no command.
    EXPECT_FALSE(fw::IsCommand(MAKEWPARAM(IDOK, EN_CHANGE), control));
    EXPECT_FALSE(fw::IsCommand(MAKEWPARAM(IDCANCEL, BN_SETFOCUS), control));
}

TEST(DialogRules, OnlyAPopupAtZeroZeroIsCentred) {
    const DWORD popup = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    EXPECT_TRUE(fw::CentresItself(popup, 0, 0));
    EXPECT_FALSE(fw::CentresItself(popup, 0, 1));
    EXPECT_FALSE(fw::CentresItself(popup, 20, 0));
    EXPECT_FALSE(fw::CentresItself(WS_CHILD, 0, 0));
    EXPECT_FALSE(fw::CentresItself(popup | DS_CENTER, 0, 0));
    EXPECT_FALSE(fw::CentresItself(popup | DS_CENTERMOUSE, 0, 0));
    EXPECT_FALSE(fw::CentresItself(popup | DS_ABSALIGN, 0, 0));
}

TEST(DialogRules, CentredOriginStaysInsideTheWorkArea) {
    const RECT work{0, 0, 1024, 740};
    const RECT window{0, 0, 431, 251};
    POINT p = fw::CentredOrigin(window, work, work);
    EXPECT_EQ(296, p.x);  // (1024 - 431) / 2
    EXPECT_EQ(244, p.y);  // (740 - 251) / 2
    // Over an owner near the right edge: pushed back inside.
    p = fw::CentredOrigin(window, RECT{900, 600, 1000, 700}, work);
    EXPECT_EQ(1024 - 431, p.x);
    EXPECT_EQ(740 - 251, p.y);
    // Over an owner off the left and top: pulled in.
    p = fw::CentredOrigin(window, RECT{-300, -300, -200, -200}, work);
    EXPECT_EQ(0, p.x);
    EXPECT_EQ(0, p.y);
    // Larger than the work area: its caption stays reachable.
    p = fw::CentredOrigin(RECT{0, 0, 2000, 1000}, work, RECT{10, 20, 1034, 760});
    EXPECT_EQ(10, p.x);
    EXPECT_EQ(20, p.y);
}

namespace {

template <typename T>
void Put(std::vector<unsigned char>& bytes, std::size_t offset, T value) {
    if (bytes.size() < offset + sizeof value) {
        bytes.resize(offset + sizeof value);
    }
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

}  // namespace

TEST(DialogTemplateHeader, ReadsClassicAndExtendedHeaders) {
    std::vector<unsigned char> classic(18);
    Put<DWORD>(classic, 0, 0x90C000C0);
    Put<short>(classic, 10, 20);
    Put<short>(classic, 12, -30);
    auto header = fw::ReadDialogTemplateHeader(classic.data(), classic.size());
    ASSERT_TRUE(header.has_value());
    EXPECT_FALSE(header->extended);
    EXPECT_EQ(0x90C000C0u, header->style);
    EXPECT_EQ(0u, header->styleOffset);
    EXPECT_EQ(20, header->x);
    EXPECT_EQ(-30, header->y);

    std::vector<unsigned char> extended(26);
    Put<WORD>(extended, 0, 1);
    Put<WORD>(extended, 2, 0xFFFF);
    Put<DWORD>(extended, 8, 0x00040000);  // exStyle
    Put<DWORD>(extended, 12, 0x90C000C0);
    Put<short>(extended, 18, 7);
    Put<short>(extended, 20, 9);
    header = fw::ReadDialogTemplateHeader(extended.data(), extended.size());
    ASSERT_TRUE(header.has_value());
    EXPECT_TRUE(header->extended);
    EXPECT_EQ(0x90C000C0u, header->style);
    EXPECT_EQ(12u, header->styleOffset);
    EXPECT_EQ(7, header->x);
    EXPECT_EQ(9, header->y);
}

TEST(DialogTemplateHeader, RefusesTruncatedData) {
    std::vector<unsigned char> extended(26);
    Put<WORD>(extended, 0, 1);
    Put<WORD>(extended, 2, 0xFFFF);
    EXPECT_FALSE(fw::ReadDialogTemplateHeader(extended.data(), 25).has_value());
    EXPECT_TRUE(fw::ReadDialogTemplateHeader(extended.data(), 26).has_value());
    EXPECT_FALSE(fw::ReadDialogTemplateHeader(extended.data(), 17).has_value());
    EXPECT_FALSE(fw::ReadDialogTemplateHeader(nullptr, 100).has_value());
}
