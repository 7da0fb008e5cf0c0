// Start-up, removal watch and shut-down: the library never makes its caller wait for the camera.
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "Requests.h"
#include "Diagnostics.h"
#include "LibraryState.h"
#include "TAVIKUtilDll.h"
#include "Transport.h"
#include "UniqueAny.h"

namespace {

constexpr DWORD kPollPeriodMs = 200;
constexpr DWORD kStopWaitMs = 3000;

// Handed to a new thread, which copies it and releases it at once.
struct ThreadStartRecord {
    COrvaneUtilDllApp* app;
    void* context;
    ConnectionCallback callback;
};

// A thread copies its start record and releases it at once.
ThreadStartRecord TakeStartRecord(LPVOID parameter) {
    auto* start = static_cast<ThreadStartRecord*>(parameter);
    const ThreadStartRecord copy = *start;
    delete start;
    return copy;
}

// A thread's last steps, whatever ended it: lower its flag, say so, and release its handle
// unless OrvaneUtil_Uninit has taken it over.
DWORD EndThread(std::atomic<bool>& running, const wchar_t* endLine, std::atomic<HANDLE>& handle) {
    running.store(false);
    diag::Write(diag::Stream::Debugger, endLine);
    HANDLE own = handle.exchange(nullptr);
    if (own != nullptr) {
        CloseHandle(own);
    }
    return 0;
}

// Replaces the open device; a handle left from an earlier connection is closed, not leaked.
void StoreDevice(COrvaneUtilDllApp& app, HANDLE device) {
    HANDLE old = app.m_hDevice.exchange(device);
    if (old != INVALID_HANDLE_VALUE && old != device) {
        CloseHandle(old);
    }
}

DWORD WINAPI ScanDeviceThread(LPVOID parameter) {
    const ThreadStartRecord start = TakeStartRecord(parameter);
    COrvaneUtilDllApp& app = *start.app;

    diag::Write(diag::Stream::Debugger, L"ScanDeviceThread Srart\r\n");
    while (app.m_bScanRunning.load()) {
        if (CountDeviceInterfaces() > 0) {
            HANDLE device = OpenDeviceInterface();
            StoreDevice(app, device);
            if (device != INVALID_HANDLE_VALUE) {
                WriteConnectionControl(device, 0);
                if (start.callback != nullptr) {
                    start.callback(start.context);
                }
                break;
            }
        }
        Sleep(kPollPeriodMs);
    }
    return EndThread(app.m_bScanRunning, L"ScanDeviceThread End\r\n", app.m_hScanThread);
}

DWORD WINAPI WatchConnectionThread(LPVOID parameter) {
    const ThreadStartRecord start = TakeStartRecord(parameter);
    COrvaneUtilDllApp& app = *start.app;

    diag::Write(diag::Stream::Debugger, L"WatchConnectionThread Srart\r\n");
    for (;;) {
        if (CountDeviceInterfaces() < 1) {
            if (start.callback != nullptr) {
                start.callback(start.context);
            }
            break;
        }
        Sleep(kPollPeriodMs);
        if (!app.m_bWatchRunning.load()) {
            break;
        }
    }
    return EndThread(app.m_bWatchRunning, L"WatchConnectionThread End\r\n", app.m_hWatchThread);
}

// Raises the run flag before the thread exists, so an OrvaneUtil_Uninit that follows at once
// stops it. A thread of the same kind that still runs is left alone and the call fails.
bool StartThread(LPTHREAD_START_ROUTINE entry, std::atomic<bool>& running,
                 std::atomic<HANDLE>& handle, void* context, ConnectionCallback callback) {
    if (handle.load() != nullptr) {
        return false;
    }
    auto* start = new (std::nothrow) ThreadStartRecord{&theApp, context, callback};
    if (start == nullptr) {
        return false;
    }
    running.store(true);
    // Created suspended so the handle is stored before the thread can look for it: a thread
    // that ends at once must find and release its own handle.
    UniqueHandle thread(CreateThread(nullptr, 0, entry, start, CREATE_SUSPENDED, nullptr));
    if (thread) {
        handle.store(thread.get());
        if (ResumeThread(thread.get()) != static_cast<DWORD>(-1)) {
            thread.release();  // the thread's own now, or OrvaneUtil_Uninit's
            return true;
        }
        // It never ran: the record is still ours, and nobody may wait for the thread.
        handle.store(nullptr);
        TerminateThread(thread.get(), 0);
    }
    const DWORD error = GetLastError();
    running.store(false);
    delete start;
    SetLastError(error);
    return false;
}

// Takes the thread's handle over, so the thread no longer releases it, and waits a bounded time.
void StopThread(std::atomic<HANDLE>& member) {
    HANDLE thread = member.exchange(nullptr);
    if (thread == nullptr) {
        return;
    }
    // Called from the thread's own callback: waiting for itself would only time out and then
    // terminate the caller. The thread ends by itself once the callback returns.
    if (GetThreadId(thread) != GetCurrentThreadId()) {
        if (WaitForSingleObject(thread, kStopWaitMs) != WAIT_OBJECT_0) {
            TerminateThread(thread, 0);
        }
    }
    CloseHandle(thread);
}

}  // namespace

extern "C" bool ORVANE_API OrvaneUtil_Init(void* context, ConnectionCallback callback,
                                           bool /*flag: accepted, not used*/) {
    return StartThread(&ScanDeviceThread, theApp.m_bScanRunning, theApp.m_hScanThread, context,
                       callback);
}

extern "C" bool ORVANE_API OrvaneUtil_WatchConnection(void* context, ConnectionCallback callback) {
    return StartThread(&WatchConnectionThread, theApp.m_bWatchRunning, theApp.m_hWatchThread,
                       context, callback);
}

extern "C" void ORVANE_API OrvaneUtil_Uninit(void) {
    HANDLE device = theApp.m_hDevice.load();
    if (device != INVALID_HANDLE_VALUE) {
        WriteConnectionControl(device, 1);
    }
    theApp.m_bScanRunning.store(false);
    theApp.m_bWatchRunning.store(false);
    StopThread(theApp.m_hScanThread);
    StopThread(theApp.m_hWatchThread);
    device = theApp.m_hDevice.exchange(INVALID_HANDLE_VALUE);
    if (device != INVALID_HANDLE_VALUE) {
        CloseHandle(device);
    }
}
