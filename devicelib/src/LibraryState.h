// The library's process-wide state: the open camera and the two connection threads.
#pragma once

#include <windows.h>

#include <atomic>

class COrvaneUtilDllApp {
public:
    COrvaneUtilDllApp() = default;
    COrvaneUtilDllApp(const COrvaneUtilDllApp&) = delete;
    COrvaneUtilDllApp& operator=(const COrvaneUtilDllApp&) = delete;

    // The opened camera interface; INVALID_HANDLE_VALUE while no camera is open.
    std::atomic<HANDLE> m_hDevice{INVALID_HANDLE_VALUE};
    // Why the last open of a camera that is there failed (ERROR_ACCESS_DENIED, say); 0 while
    // none is there, one is open, or none was tried.
    std::atomic<DWORD> m_dwOpenError{0};
    std::atomic<bool> m_bScanRunning{false};
    std::atomic<bool> m_bWatchRunning{false};
    // Whoever takes a thread handle out of these (exchange with null) releases it.
    std::atomic<HANDLE> m_hScanThread{nullptr};
    std::atomic<HANDLE> m_hWatchThread{nullptr};
};

// Exists from the moment the library is loaded; nothing is released at unload.
extern COrvaneUtilDllApp theApp;
