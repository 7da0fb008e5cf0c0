// Start-up, removal watch and shut-down: the library never makes its caller wait for the camera.
#include <windows.h>

#include <atomic>
#include <new>

#include "CameraWriteMark.h"
#include "Diagnostics.h"
#include "LibraryState.h"
#include "Requests.h"
#include "TAVIKUtilDll.h"
#include "Trace.h"
#include "Transport.h"
#include "UniqueAny.h"

namespace {

constexpr DWORD kPollPeriodMs = 200;
constexpr DWORD kStopWaitMs = 3000;
// A thread whose request was cancelled needs only to return from it.
constexpr DWORD kCancelledWaitMs = 500;

// Holds a thread's slot while its start is in progress. No real handle has this value: the
// pseudo-handles are negative.
const HANDLE kSlotReserved = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2));

// Raised while the scan thread's own request (the opening control write) is outstanding: only
// then has a thread that overstays the stop wait a request to cancel.
std::atomic<bool> g_scanInRequest{false};

// One reference on a loaded module, released by FreeLibrary.
struct ModuleReferenceTraits {
    using Type = HMODULE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { FreeLibrary(h); }
};
using UniqueModuleReference = UniqueAny<ModuleReferenceTraits>;

// Handed to a new thread, which copies it and releases it at once.
struct ThreadStartRecord {
    COrvaneUtilDllApp* app;
    void* context;
    ConnectionCallback callback;
    HANDLE self;     // the thread's own handle, as its slot holds it
    HMODULE module;  // the thread's reference on the library, released as it exits
};

// What a kind of connection thread runs and where its state lives.
struct ThreadKind {
    LPTHREAD_START_ROUTINE entry;
    std::atomic<bool>& running;
    std::atomic<HANDLE>& slot;
    bool refusedWhileConnected;
};

ThreadStartRecord TakeStartRecord(LPVOID parameter) {
    auto* start = static_cast<ThreadStartRecord*>(parameter);
    const ThreadStartRecord copy = *start;
    delete start;
    return copy;
}

// Calls the callback only if the thread has not been stopped. Lowering the flag in the same
// atomic step leaves no moment in which an OrvaneUtil_Uninit could begin and still be followed
// by a callback.
void Report(std::atomic<bool>& running, const ThreadStartRecord& start) {
    bool expected = true;
    if (running.compare_exchange_strong(expected, false) && start.callback != nullptr) {
        start.callback(start.context);
    }
}

// A thread's last steps, whatever ended it: lower its flag, say so, release its handle unless
// OrvaneUtil_Uninit has taken it over, and leave through its own reference on the library, so
// that a FreeLibrary right after OrvaneUtil_Uninit cannot unmap code this thread still runs.
[[noreturn]] void EndThread(const ThreadStartRecord& start, std::atomic<bool>& running,
                            std::atomic<HANDLE>& slot, const wchar_t* endLine) {
    if (slot.load() == start.self) {
        running.store(false);  // a slot taken over was lowered by OrvaneUtil_Uninit already
    }
    diag::Write(diag::Stream::Debugger, endLine);
    HANDLE own = start.self;
    if (slot.compare_exchange_strong(own, nullptr)) {
        CloseHandle(start.self);
    }
    FreeLibraryAndExitThread(start.module, 0);
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
        // During an update's write the camera is not opened: the search goes on until the
        // write is over, then opens it as usual.
        if (CountDeviceInterfaces() > 0 && !CameraWrittenElsewhere()) {
            DWORD refusal = 0;
            HANDLE device = OpenDeviceInterface(&refusal);
            StoreDevice(app, device);
            app.m_dwOpenError.store(refusal);
            if (device != INVALID_HANDLE_VALUE) {
                // Stopped while opening: the device is OrvaneUtil_Uninit's to give its closing
                // value and close, and nothing may follow that value.
                if (app.m_bScanRunning.load()) {
                    g_scanInRequest.store(true);
                    const trace::Caller caller("OrvaneUtil_Init");
                    WriteConnectionControl(device, 0);
                    g_scanInRequest.store(false);
                    Report(app.m_bScanRunning, start);
                }
                break;
            }
        } else {
            app.m_dwOpenError.store(0);  // a refused camera that went is no longer the reason
        }
        Sleep(kPollPeriodMs);
    }
    EndThread(start, app.m_bScanRunning, app.m_hScanThread, L"ScanDeviceThread End\r\n");
}

DWORD WINAPI WatchConnectionThread(LPVOID parameter) {
    const ThreadStartRecord start = TakeStartRecord(parameter);
    COrvaneUtilDllApp& app = *start.app;

    diag::Write(diag::Stream::Debugger, L"WatchConnectionThread Srart\r\n");
    for (;;) {
        if (CountDeviceInterfaces() < 1) {
            trace::Camera("removed", nullptr);
            Report(app.m_bWatchRunning, start);
            break;
        }
        Sleep(kPollPeriodMs);
        if (!app.m_bWatchRunning.load()) {
            break;
        }
    }
    EndThread(start, app.m_bWatchRunning, app.m_hWatchThread, L"WatchConnectionThread End\r\n");
}

bool Refuse(DWORD error) {
    SetLastError(error);
    return false;
}

// Ends a thread that never ran: it has touched nothing, so terminating it is safe.
void DiscardSuspended(HANDLE thread) {
    TerminateThread(thread, 0);
    WaitForSingleObject(thread, INFINITE);
}

// The slot is taken in one compare-and-exchange, so of two starts at the same moment only one
// can go on. The run flag is raised before the thread runs, so an OrvaneUtil_Uninit that
// follows at once stops it.
bool StartThread(const ThreadKind& kind, void* context, ConnectionCallback callback) {
    HANDLE expected = nullptr;
    if (!kind.slot.compare_exchange_strong(expected, kSlotReserved)) {
        return Refuse(ERROR_BUSY);
    }
    // Only a scan thread stores a device, and none runs while the slot is ours: a camera
    // open now stays open until OrvaneUtil_Uninit, and its handle stays valid for every request.
    if (kind.refusedWhileConnected && theApp.m_hDevice.load() != INVALID_HANDLE_VALUE) {
        kind.slot.store(nullptr);
        return Refuse(ERROR_BUSY);
    }

    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&theApp), &self)) {
        const DWORD error = GetLastError();
        kind.slot.store(nullptr);
        return Refuse(error);
    }
    UniqueModuleReference module(self);
    auto* start = new (std::nothrow) ThreadStartRecord{&theApp, context, callback, nullptr, self};
    if (start == nullptr) {
        kind.slot.store(nullptr);
        return Refuse(ERROR_NOT_ENOUGH_MEMORY);
    }
    // Suspended until its handle is stored: a thread that ends at once must find it.
    UniqueHandle thread(CreateThread(nullptr, 0, kind.entry, start, CREATE_SUSPENDED, nullptr));
    if (!thread) {
        const DWORD error = GetLastError();
        delete start;
        kind.slot.store(nullptr);
        return Refuse(error);
    }
    start->self = thread.get();
    kind.running.store(true);
    HANDLE reserved = kSlotReserved;
    if (!kind.slot.compare_exchange_strong(reserved, thread.get())) {
        // An OrvaneUtil_Uninit at the same moment took the reservation: the thread never runs.
        kind.running.store(false);
        DiscardSuspended(thread.get());
        delete start;
        return Refuse(ERROR_BUSY);
    }
    if (ResumeThread(thread.get()) != static_cast<DWORD>(-1)) {
        module.release();  // the thread's own now
        thread.release();  // the thread's own, or OrvaneUtil_Uninit's
        return true;
    }
    const DWORD error = GetLastError();
    HANDLE stored = thread.get();
    if (!kind.slot.compare_exchange_strong(stored, nullptr)) {
        // OrvaneUtil_Uninit took the handle and ends the thread itself: the record and the
        // reference are left to it, never freed twice.
        thread.release();
        module.release();
        return Refuse(error);
    }
    kind.running.store(false);
    DiscardSuspended(thread.get());
    delete start;
    return Refuse(error);
}

// Takes the thread's handle over, so the thread no longer releases it, and waits a bounded
// time. A thread still inside a request when that time is up is not killed with the request
// outstanding (the driver would complete it into a dead stack): the requests on the device are
// cancelled and it is given a moment to return. Only a thread that still runs then is
// terminated; one elsewhere (in the caller's callback) at once, and nothing of the caller's is
// cancelled for it.
void StopThread(std::atomic<HANDLE>& slot, const std::atomic<bool>* inRequest) {
    const HANDLE current = slot.load();
    // Called from the thread's own callback: the thread ends by itself once the callback
    // returns, and releases its own handle.
    if (current != nullptr && current != kSlotReserved &&
        GetThreadId(current) == GetCurrentThreadId()) {
        return;
    }
    HANDLE thread = slot.exchange(nullptr);
    if (thread == nullptr || thread == kSlotReserved) {
        return;  // nothing started, or a start in progress that now gives up
    }
    if (WaitForSingleObject(thread, kStopWaitMs) != WAIT_OBJECT_0) {
        const HANDLE device = theApp.m_hDevice.load();
        const bool cancelled = inRequest != nullptr && inRequest->load() &&
                               device != INVALID_HANDLE_VALUE && CancelIoEx(device, nullptr);
        if (!cancelled || WaitForSingleObject(thread, kCancelledWaitMs) != WAIT_OBJECT_0) {
            // Its reference on the library is never released: the library stays loaded,
            // rather than unmapped under whatever the thread left behind.
            TerminateThread(thread, 0);
            // Gone before anything it may still use (the device, its stack) goes.
            WaitForSingleObject(thread, INFINITE);
        }
    }
    CloseHandle(thread);
}

}  // namespace

extern "C" bool ORVANE_API OrvaneUtil_Init(void* context, ConnectionCallback callback,
                                           bool /*flag: accepted, not used*/) {
    const bool traced = trace::Begin();
    const ThreadKind scan{&ScanDeviceThread, theApp.m_bScanRunning, theApp.m_hScanThread, true};
    if (StartThread(scan, context, callback)) {
        return true;
    }
    if (traced) {
        // No OrvaneUtil_Uninit need follow a refused start: the session ends with it.
        const DWORD error = GetLastError();
        trace::End();
        SetLastError(error);
    }
    return false;
}

extern "C" bool ORVANE_API OrvaneUtil_WatchConnection(void* context, ConnectionCallback callback) {
    const ThreadKind watch{&WatchConnectionThread, theApp.m_bWatchRunning, theApp.m_hWatchThread,
                           false};
    return StartThread(watch, context, callback);
}

// The threads are stopped before the closing value is written: a scan thread still opening the
// camera could otherwise write 0 after it.
extern "C" void ORVANE_API OrvaneUtil_Uninit(void) {
    theApp.m_bScanRunning.store(false);
    theApp.m_bWatchRunning.store(false);
    StopThread(theApp.m_hScanThread, &g_scanInRequest);
    StopThread(theApp.m_hWatchThread, nullptr);  // it makes no request
    g_scanInRequest.store(false);                // also after a thread ended by force
    theApp.m_dwOpenError.store(0);
    if (theApp.m_hDevice.load() != INVALID_HANDLE_VALUE) {
        const trace::Caller caller("OrvaneUtil_Uninit");
        WriteConnectionControl(theApp.m_hDevice.load(), 1);
    }
    HANDLE device = theApp.m_hDevice.exchange(INVALID_HANDLE_VALUE);
    if (device != INVALID_HANDLE_VALUE) {
        CloseHandle(device);
        trace::Camera("closed", nullptr);
    }
    trace::End();
}
