// Windows for the harness's own checks, in a process of their own as the updater's are:
//   WindowHelper box       a Yes/No question with No as default; exits with the answer
//   WindowHelper controls  a window with a list box, a progress bar and a label with a tool tip
#include <windows.h>

#include <commctrl.h>

#include <cwchar>

namespace {

constexpr int kListId = 101;
constexpr int kProgressId = 102;
constexpr int kLabelId = 103;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND Child(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id, int y) {
    return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 10, y, 200, 20,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

int Controls() {
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES};
    if (!InitCommonControlsEx(&classes)) {
        return 2;
    }
    WNDCLASSW host = {};
    host.lpfnWndProc = &HostProc;
    host.hInstance = GetModuleHandleW(nullptr);
    host.lpszClassName = L"HarnessHost";
    if (RegisterClassW(&host) == 0) {
        return 2;
    }
    HWND window =
        CreateWindowExW(0, L"HarnessHost", L"Harness Controls", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                        0, 300, 200, nullptr, nullptr, host.hInstance, nullptr);
    HWND list = Child(window, L"ListBox", L"", WS_BORDER, kListId, 10);
    HWND progress = Child(window, PROGRESS_CLASSW, L"", 0, kProgressId, 40);
    HWND label = Child(window, L"Static", L"1", SS_NOTIFY, kLabelId, 70);
    HWND tip =
        CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, window, nullptr, host.hInstance, nullptr);
    if (window == nullptr || list == nullptr || progress == nullptr || label == nullptr ||
        tip == nullptr) {
        return 2;
    }
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"first line"));
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"second line"));
    SendMessageW(progress, PBM_SETRANGE32, 0, 6);
    SendMessageW(progress, PBM_SETPOS, 2, 0);
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(label);
    tool.lpszText = const_cast<LPWSTR>(L"Label tip");
    if (!SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool))) {
        return 2;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wcscmp(argv[1], L"box") == 0) {
        return MessageBoxW(nullptr, L"First line.\r\nSecond line?", L"Harness Question",
                           MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    }
    if (argc == 2 && std::wcscmp(argv[1], L"controls") == 0) {
        return Controls();
    }
    return 1;
}
