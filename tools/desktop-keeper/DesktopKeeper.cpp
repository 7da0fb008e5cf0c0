// Holds the Wine prefix's desktop for a whole test run.
//
// Wine ends its desktop process once the last program using the desktop has ended, and starts
// it again from the next program that needs it. That program then waits for the desktop, which
// in an emulated VM takes longer than Wine allows (its windows fail), and the new desktop process
// inherits the program's standard handles and outlives it. Started by wine-run.sh with the
// prefix's server, this program holds the desktop with one hidden window until the server ends.
// It creates the file named by its argument once the window exists.
#include <windows.h>

#include <shellapi.h>

namespace {

constexpr int kAttempts = 600;  // a second apart: the desktop may take long to start

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    HWND window = nullptr;
    for (int attempt = 0; attempt < kAttempts && window == nullptr; ++attempt) {
        window = CreateWindowExW(0, L"STATIC", L"TAVIK desktop keeper", WS_POPUP, 0, 0, 1, 1,
                                 nullptr, nullptr, nullptr, nullptr);
        if (window == nullptr) {
            Sleep(1000);
        }
    }
    if (window == nullptr) {
        return 1;
    }
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments != nullptr && count > 1) {
        const HANDLE ready = CreateFileW(arguments[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
        if (ready != INVALID_HANDLE_VALUE) {
            CloseHandle(ready);
        }
    }
    LocalFree(arguments);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    return 0;
}
