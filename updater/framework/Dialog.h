// A modal dialog built from a dialog-template resource, with a message map.
//
// The dialog is created modeless and runs a modal loop of its own (pre-translate,
// IsDialogMessageW, translate, dispatch) until EndDialog, so PreTranslateMessage sees every
// message. Everything the map does not name gets the dialog manager's default handling: Enter
// arrives as IDOK, Escape and the close commands as IDCANCEL.
#pragma once

#include <windows.h>

#include "ProgressCtrl.h"

namespace fw {

class CDialog;

// One entry of a dialog's message map; build entries with the Map... functions below.
struct MessageMapEntry {
    UINT message;  // 0 ends the map
    UINT code;     // WM_COMMAND: the notification code; otherwise 0
    UINT id;       // WM_COMMAND: the control's ID; otherwise 0
    // Calls the handler and sets the message's result.
    void (*invoke)(CDialog& dialog, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

// The entry's message for all seven control-colour messages (WM_CTLCOLORMSGBOX to
// WM_CTLCOLORSTATIC), the old 16-bit WM_CTLCOLOR.
constexpr UINT kCtlColorMessages = 0x0019;

class CDataExchange {
public:
    explicit CDataExchange(CDialog& dialog) : m_dialog(dialog) {}
    CDialog& m_dialog;
};

// Binds a progress-bar wrapper to the dialog's control `id`.
void DDX_Control(CDataExchange* dx, int id, CProgressCtrl& control);

class CDialog {
public:
    // `map` is the derived dialog's message map (may be null); it must outlive the dialog.
    CDialog(UINT templateId, const MessageMapEntry* map, HWND parent = nullptr);
    virtual ~CDialog();  // destroys the window if it still exists
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Creates the window, runs the modal loop until EndDialog, destroys the window and returns
    // the result given to EndDialog; -1 if the window could not be created, or if the run
    // ended without EndDialog (WM_QUIT, which is posted again, or the window destroyed).
    // A template at 0,0 is centred on the owner or the screen once OnInitDialog has run.
    INT_PTR DoModal();
    // Ends the modal loop with `result`; may be called from OnInitDialog (the window is then
    // never shown). Call it on the dialog's thread.
    void EndDialog(int result);

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

    HWND m_hWnd = nullptr;

    virtual void DoDataExchange(CDataExchange* dx);
    // Base: the dialog manager's keyboard handling (IsDialogMessageW). TRUE = handled.
    virtual BOOL PreTranslateMessage(MSG* message);
    // Base: runs DoDataExchange; returns TRUE (the system sets the focus).
    virtual BOOL OnInitDialog();
    virtual void OnOK();      // base: EndDialog(IDOK)
    virtual void OnCancel();  // base: EndDialog(IDCANCEL)
    // Once the modal loop is over, whatever ended it (EndDialog, WM_QUIT, a failing
    // GetMessageW, the window destroyed), before DoModal destroys the window: for what must be
    // undone on every way out. Base: nothing.
    virtual void OnModalLoopEnded() {}

protected:
    // Inside a handler: the default handling of the message being handled (DefWindowProcW),
    // and its result.
    LRESULT Default();
    // Centres the window on its owner or its screen, as DoModal does after OnInitDialog; for a
    // dialog that must show itself before then.
    void CentreWindow();

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void RunModalLoop();

    UINT templateId_;
    const MessageMapEntry* map_;
    HWND parent_;
    bool ended_ = false;
    int result_ = 0;
    const MSG* current_ = nullptr;  // the message a handler is running for
    bool looping_ = false;          // the modal loop is running
    bool centre_ = false;           // the template asks to be centred once initialised
};

// --- Message-map entries ------------------------------------------------------------------
namespace detail {
template <typename M>
struct HandlerClass;
template <typename C, typename R, typename... A>
struct HandlerClass<R (C::*)(A...)> {
    using type = C;
};
}  // namespace detail

// WM_PAINT: void OnPaint()
template <auto Handler>
constexpr MessageMapEntry MapPaint() {
    using D = typename detail::HandlerClass<decltype(Handler)>::type;
    return {WM_PAINT, 0, 0, [](CDialog& d, UINT, WPARAM, LPARAM, LRESULT& r) {
                (static_cast<D&>(d).*Handler)();
                r = 0;
            }};
}

// WM_QUERYDRAGICON: HCURSOR OnQueryDragIcon()
template <auto Handler>
constexpr MessageMapEntry MapQueryDragIcon() {
    using D = typename detail::HandlerClass<decltype(Handler)>::type;
    return {WM_QUERYDRAGICON, 0, 0, [](CDialog& d, UINT, WPARAM, LPARAM, LRESULT& r) {
                r = reinterpret_cast<LRESULT>((static_cast<D&>(d).*Handler)());
            }};
}

// WM_COMMAND BN_CLICKED from control `id`: void Handler()
template <UINT id, auto Handler>
constexpr MessageMapEntry MapButtonClicked() {
    using D = typename detail::HandlerClass<decltype(Handler)>::type;
    return {WM_COMMAND, BN_CLICKED, id, [](CDialog& d, UINT, WPARAM, LPARAM, LRESULT& r) {
                (static_cast<D&>(d).*Handler)();
                r = 0;
            }};
}

// Every control-colour message (WM_CTLCOLORMSGBOX to WM_CTLCOLORSTATIC):
// HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind), kind being CTLCOLOR_MSGBOX ...
// CTLCOLOR_STATIC.
template <auto Handler>
constexpr MessageMapEntry MapCtlColor() {
    using D = typename detail::HandlerClass<decltype(Handler)>::type;
    return {kCtlColorMessages, 0, 0, [](CDialog& d, UINT m, WPARAM w, LPARAM l, LRESULT& r) {
                r = reinterpret_cast<LRESULT>((static_cast<D&>(d).*Handler)(
                    reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l), m - WM_CTLCOLORMSGBOX));
            }};
}

// WM_TIMER: void OnTimer(UINT_PTR id)
template <auto Handler>
constexpr MessageMapEntry MapTimer() {
    using D = typename detail::HandlerClass<decltype(Handler)>::type;
    return {WM_TIMER, 0, 0, [](CDialog& d, UINT, WPARAM w, LPARAM, LRESULT& r) {
                (static_cast<D&>(d).*Handler)(static_cast<UINT_PTR>(w));
                r = 0;
            }};
}

// WM_SYSCOMMAND: void OnSysCommand(UINT id, LPARAM lParam)
template <auto Handler>
constexpr MessageMapEntry MapSysCommand() {
    using D = typename detail::HandlerClass<decltype(Handler)>::type;
    return {WM_SYSCOMMAND, 0, 0, [](CDialog& d, UINT, WPARAM w, LPARAM l, LRESULT& r) {
                (static_cast<D&>(d).*Handler)(static_cast<UINT>(w), l);
                r = 0;
            }};
}

// Any other message, a private one for instance: LRESULT Handler(WPARAM, LPARAM)
template <UINT message, auto Handler>
constexpr MessageMapEntry MapMessage() {
    using D = typename detail::HandlerClass<decltype(Handler)>::type;
    return {message, 0, 0, [](CDialog& d, UINT, WPARAM w, LPARAM l, LRESULT& r) {
                r = (static_cast<D&>(d).*Handler)(w, l);
            }};
}

constexpr MessageMapEntry kEndOfMessageMap = {0, 0, 0, nullptr};

}  // namespace fw
