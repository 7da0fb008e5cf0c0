// OrvaneUtil_Uninit against a scan that is still opening the camera, and against a camera too
// slow to answer within the stop wait: the last value the camera receives is 1, no callback
// begins once the search is stopped, and a thread inside a request is not killed there.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <thread>

#include "CameraTest.h"
#include "ImportPatch.h"
#include "LibraryState.h"
#include "TimeScale.h"

namespace {

using tavik::test::Scaled;

const wchar_t kScanEnd[] = L"ScanDeviceThread End\r\n";

// The library's wait for a thread it stops.
constexpr DWORD kStopWaitMs = 3000;

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Holds the scan thread's open of the camera until the test lets it go.
struct HeldOpen {
    UniqueHandle reached{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};
HeldOpen* g_heldOpen = nullptr;

using CreateFileFunction = decltype(&CreateFileW);
// The system's own: calling CreateFileW here would come back through the patched import.
CreateFileFunction g_createFile =
    reinterpret_cast<CreateFileFunction>(reinterpret_cast<void (*)(void)>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateFileW")));

HANDLE WINAPI HeldCreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                              DWORD disposition, DWORD flags, HANDLE model) {
    if (g_heldOpen != nullptr && wcsncmp(path, L"\\\\?\\", 4) == 0) {
        SetEvent(g_heldOpen->reached.get());
        WaitForSingleObject(g_heldOpen->release.get(), INFINITE);
    }
    return g_createFile(path, access, share, sa, disposition, flags, model);
}

using ShutDown = CameraTest;

}  // namespace

TEST_F(ShutDown, UninitDuringTheOpeningWriteWaitsForItThenSendsOneAndNeverCallsBack) {
    // Long enough for the test to stop the library while the write is held, short enough for
    // the write to return well within the stop wait.
    const DWORD heldMs = std::min<DWORD>(Scaled(500), kStopWaitMs / 2);
    ASSERT_TRUE(sim.DelayNext(kSetCtrlCurrent, heldMs));
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(OrvaneUtil_Init(&probe, &CallbackProbe::Callback, false));
    ASSERT_TRUE(WaitOutstanding(1)) << "the write of 0 is with the camera";

    OrvaneUtil_Uninit();

    // The thread ended by itself once its write returned: the write was not cancelled, and the
    // thread not terminated.
    EXPECT_EQ(0u, Status().cancelled);
    EXPECT_EQ(1u, diagnostics.Count(diag::Stream::Debugger, kScanEnd)) << "not terminated";
    EXPECT_EQ(0, probe.count()) << "the thread is gone and never called back";
    EXPECT_EQ(INVALID_HANDLE_VALUE, theApp.m_hDevice.load());
    const auto writes = Requests(kSetCtrlCurrent);
    ASSERT_EQ(2u, writes.size());
    EXPECT_EQ(ConnectionControlWrite(0), writes[0].input);
    EXPECT_EQ(0, writes[0].status);
    EXPECT_EQ(ConnectionControlWrite(1), writes[1].input);
    EXPECT_GT(writes[1].sequence, writes[0].completedAfter) << "1 was sent after 0 completed";
}

TEST_F(ShutDown, UninitDuringTheOpenLeavesTheCameraWithOneOnlyAndClosesIt) {
    HeldOpen held;
    g_heldOpen = &held;
    ImportPatch patch("kernel32.dll", "CreateFileW",
                      reinterpret_cast<const void*>(&HeldCreateFileW));
    ASSERT_TRUE(patch.ok());
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(OrvaneUtil_Init(&probe, &CallbackProbe::Callback, false));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held.reached.get(), Scaled(5000)));

    std::thread uninit([] { OrvaneUtil_Uninit(); });
    // The open goes on only once the search has been stopped.
    EXPECT_TRUE(WaitUntil([] { return !theApp.m_bScanRunning.load(); }));
    SetEvent(held.release.get());
    uninit.join();
    g_heldOpen = nullptr;

    EXPECT_EQ(0, probe.count());
    EXPECT_EQ(1u, diagnostics.Count(diag::Stream::Debugger, kScanEnd));
    EXPECT_EQ(INVALID_HANDLE_VALUE, theApp.m_hDevice.load()) << "the stored camera was closed";
    const auto writes = Requests(kSetCtrlCurrent);
    ASSERT_EQ(1u, writes.size()) << "no 0 after the search was stopped";
    EXPECT_EQ(ConnectionControlWrite(1), writes[0].input);
    EXPECT_EQ(0, writes[0].status) << "sent while the camera was still open";
}

TEST_F(ShutDown, WriteHeldPastTheStopWaitIsCancelledAndTheThreadEndsByItself) {
    // Held far past the stop wait: only the cancel ends it within the test.
    ASSERT_TRUE(sim.DelayNext(kSetCtrlCurrent, Scaled(60000)));
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(OrvaneUtil_Init(&probe, &CallbackProbe::Callback, false));
    ASSERT_TRUE(WaitOutstanding(1));

    const auto start = Clock::now();
    OrvaneUtil_Uninit();
    const long long elapsed = MillisecondsSince(start);

    EXPECT_GE(elapsed, kStopWaitMs - 100) << "the thread was given its 3000 ms";
    // Cancelled, not waited out: the camera's journal and count say which.
    EXPECT_EQ(1u, diagnostics.Count(diag::Stream::Debugger, kScanEnd)) << "not terminated";
    EXPECT_EQ(0, probe.count());
    const auto writes = Requests(kSetCtrlCurrent);
    ASSERT_EQ(2u, writes.size());
    EXPECT_EQ(camsim::kStatusCancelled, writes[0].status) << "cancelled, not left outstanding";
    EXPECT_EQ(ConnectionControlWrite(1), writes[1].input);
    EXPECT_EQ(0, writes[1].status);
    const camsim::StatusRecord status = Status();
    EXPECT_EQ(1u, status.cancelled);
    EXPECT_EQ(0u, status.outstanding);

    // The library starts over.
    CallbackProbe again;
    ASSERT_TRUE(OrvaneUtil_Init(&again, &CallbackProbe::Callback, false));
    EXPECT_TRUE(again.WaitCalled());
    EXPECT_EQ(0, probe.count());
}
