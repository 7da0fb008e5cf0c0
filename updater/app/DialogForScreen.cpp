// What the dialog does for the screen it shows on: the small icon and the logo in the size its
// DPI asks for, and the caution in a font in which the whole sentence shows.
#include <windows.h>

#include <string>

#include "OrvaneUpdateDlg.h"
#include "ScreenFit.h"
#include "resource.h"

namespace {

constexpr int kBaseDpi = 96;

// A window's device context (the screen's for null), given back when it goes.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

int ScreenDpi() {
    const WindowDc screen(nullptr);
    const int dpi = screen.get() != nullptr ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : kBaseDpi;
}

// The width of `text` on one line in `font`, as a static control draws it; -1 when it cannot
// be measured.
int TextWidth(HDC dc, HFONT font, const std::wstring& text) {
    const HGDIOBJ previous = SelectObject(dc, font);
    if (previous == nullptr || previous == HGDI_ERROR) {
        return -1;
    }
    RECT bounds = {0, 0, 0, 0};
    const int height = DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
                                 DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, previous);
    return height != 0 ? bounds.right - bounds.left : -1;
}

// The logo: the one static control that shows a bitmap.
HWND FindLogo(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) {
            return child;
        }
    }
    return nullptr;
}

}  // namespace

HICON COrvaneUpdateDlg::SmallIcon() {
    // Not shared: a shared load may hand back the big icon already loaded, whatever the size.
    smallIcon_.reset(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
    return smallIcon_ ? smallIcon_.get() : appIcon;
}

void COrvaneUpdateDlg::ShowLogoForScreen() {
    const int scale = ImageScalePercent(ScreenDpi());
    HWND logo = FindLogo(m_hWnd);
    if (scale == 100 || logo == nullptr) {
        return;  // the template's bitmap is drawn for 100 %
    }
    fw::UniqueBitmap scaled(static_cast<HBITMAP>(LoadImageW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(scale == 150 ? IDB_LOGO_150 : IDB_LOGO_200),
        IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    if (!scaled) {
        return;
    }
    // The control takes the bitmap's size. The template's bitmap it loaded itself stays its own.
    SendMessageW(logo, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled.get()));
    logoBitmap_ = std::move(scaled);
}

void COrvaneUpdateDlg::FitCautionText() {
    HWND caution = GetDlgItem(IDC_CAUTION);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(caution, WM_GETFONT, 0, 0));
    LOGFONTW logFont = {};
    RECT client = {};
    if (font == nullptr || GetObjectW(font, sizeof(logFont), &logFont) == 0 ||
        !GetClientRect(caution, &client)) {
        return;
    }
    const WindowDc dc(caution);
    if (dc.get() == nullptr) {
        return;
    }
    const std::wstring text = ControlText(IDC_CAUTION);
    const int height =
        FittingFontHeight(logFont.lfHeight, client.right - client.left, [&](int trialHeight) {
            LOGFONTW trial = logFont;
            trial.lfHeight = trialHeight;
            fw::CFont trialFont;
            return trialFont.CreateFontIndirect(&trial)
                       ? TextWidth(dc.get(), trialFont.GetSafeHandle(), text)
                       : -1;
        });
    if (height == logFont.lfHeight) {
        return;
    }
    logFont.lfHeight = height;
    if (cautionFont_.CreateFontIndirect(&logFont)) {
        SendMessageW(caution, WM_SETFONT, reinterpret_cast<WPARAM>(cautionFont_.GetSafeHandle()),
                     TRUE);
    }
}
