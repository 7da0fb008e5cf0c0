// Start-up, removal watch and shut-down against the simulated camera.
#include <windows.h>

#include <atomic>
#include <chrono>

#include "CameraTest.h"
#include "ImportPatch.h"
#include "LibraryState.h"
#include "TimeScale.h"

namespace {

using tavik::test::Scaled;

const wchar_t kScanStart[] = L"ScanDeviceThread Srart\r\n";
const wchar_t kScanEnd[] = L"ScanDeviceThread End\r\n";
const wchar_t kWatchStart[] = L"WatchConnectionThread Srart\r\n";
const wchar_t kWatchEnd[] = L"WatchConnectionThread End\r\n";
const wchar_t kRefused[] = L"Failed to open device!(00000005)\r\n";

// The library's wait for a thread it stops, before it ends the thread by force.
constexpr long long kStopWaitMs = 3000;

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

using Connection = CameraTest;

// The library's answer to a question without a code, which never makes a request.
DWORD WhyNoCameraIsOpen() {
    SetLastError(ERROR_SUCCESS);
    return OrvaneUtil_GetLastError(nullptr) ? ERROR_SUCCESS : GetLastError();
}

}  // namespace

TEST_F(Connection, CameraAttachedBeforeInitIsOpenedAndReportedOnce) {
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(OrvaneUtil_Init(&probe, &CallbackProbe::Callback, true));
    ASSERT_TRUE(probe.WaitCalled());
    ASSERT_TRUE(diagnostics.WaitFor(diag::Stream::Debugger, kScanEnd));

    EXPECT_EQ(1, probe.count());
    EXPECT_NE(GetCurrentThreadId(), probe.threadId()) << "called on the library's thread";
    EXPECT_NE(INVALID_HANDLE_VALUE, theApp.m_hDevice.load());
    EXPECT_FALSE(theApp.m_bScanRunning.load());
    // The thread releases its own handle after its End line.
    EXPECT_TRUE(WaitUntil([] { return theApp.m_hScanThread.load() == nullptr; }));
    EXPECT_EQ(1u, diagnostics.Count(diag::Stream::Debugger, kScanStart));
    // Found on the first pass: no failed attempt before it.
    EXPECT_EQ(0u, diagnostics.Count(diag::Stream::StandardOutput,
                                    L"No SP_INTERFACE_DEVICE_DATA available for this GUID "
                                    L"instance\n"));

    // The camera's first request is the connection control, set to 0, before the callback.
    const auto journal = Journal();
    ASSERT_EQ(1u, journal.size());
    EXPECT_EQ(RequestCode(kSetCtrlCurrent), journal[0].code);
    EXPECT_EQ(ConnectionControlWrite(0), journal[0].input);
    EXPECT_EQ(0u, journal[0].outputSize);
    EXPECT_EQ(camera, journal[0].camera);
}

TEST_F(Connection, UninitWhileConnectedSetsTheControlToOneBeforeClosing) {
    Connect();
    OrvaneUtil_Uninit();
    EXPECT_EQ(INVALID_HANDLE_VALUE, theApp.m_hDevice.load());
    const auto journal = Journal();
    ASSERT_EQ(1u, journal.size());
    EXPECT_EQ(ConnectionControlWrite(1), journal[0].input);
    EXPECT_EQ(0, journal[0].status) << "made while the handle was still open";

    // After Uninit the library starts over.
    CallbackProbe second;
    ASSERT_TRUE(OrvaneUtil_Init(&second, &CallbackProbe::Callback, false));
    ASSERT_TRUE(second.WaitCalled());
    EXPECT_EQ(1, probe.count());
}

TEST_F(Connection, NoCameraThenUninitEndsTheScanWithoutCallbackOrWrite) {
    ASSERT_TRUE(OrvaneUtil_Init(&probe, &CallbackProbe::Callback, false));
    ASSERT_TRUE(diagnostics.WaitFor(diag::Stream::Debugger, kScanStart));
    OrvaneUtil_Uninit();

    // The thread saw the lowered flag and ended by itself within the stop wait: one that
    // overstays it is terminated, and a forced end writes no End line.
    EXPECT_EQ(1u, diagnostics.Count(diag::Stream::Debugger, kScanEnd));
    EXPECT_EQ(0, probe.count());
    EXPECT_TRUE(Journal().empty());
    EXPECT_EQ(nullptr, theApp.m_hScanThread.load());
    EXPECT_FALSE(theApp.m_bScanRunning.load());
}

TEST_F(Connection, CameraAttachedLaterIsFoundByPolling) {
    PollCounter looks;
    ASSERT_TRUE(looks.ok());
    ASSERT_TRUE(OrvaneUtil_Init(&probe, &CallbackProbe::Callback, false));
    // A look's outcome is acted on before the next look begins: after two, the first found
    // nothing and reported nothing.
    ASSERT_TRUE(looks.WaitLooks(2));
    EXPECT_EQ(0, probe.count());
    EXPECT_EQ(INVALID_HANDLE_VALUE, theApp.m_hDevice.load());
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(probe.WaitCalled());
    EXPECT_EQ(1, probe.count());
    ASSERT_TRUE(diagnostics.WaitFor(diag::Stream::Debugger, kScanEnd));
    EXPECT_EQ(ConnectionControlWrite(0), Requests(kSetCtrlCurrent).at(0).input);
}

TEST_F(Connection, NullCallbackStillOpensAndWritesTheControl) {
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(OrvaneUtil_Init(nullptr, nullptr, false));
    ASSERT_TRUE(diagnostics.WaitFor(diag::Stream::Debugger, kScanEnd));
    EXPECT_NE(INVALID_HANDLE_VALUE, theApp.m_hDevice.load());
    const auto writes = Requests(kSetCtrlCurrent);
    ASSERT_EQ(1u, writes.size());
    EXPECT_EQ(ConnectionControlWrite(0), writes[0].input);
}

TEST_F(Connection, ControlWriteFailureStillReportsTheConnection) {
    ASSERT_TRUE(sim.SetFault(kSetCtrlCurrent, 0x20, static_cast<int32_t>(0xC0000001), 1));
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(OrvaneUtil_Init(&probe, &CallbackProbe::Callback, false));
    ASSERT_TRUE(probe.WaitCalled());
    EXPECT_NE(0, Requests(kSetCtrlCurrent).at(0).status);
}

TEST_F(Connection, SecondInitWhileScanningIsRefusedAndTheFirstKeepsRunning) {
    ASSERT_TRUE(OrvaneUtil_Init(&probe, &CallbackProbe::Callback, false));
    HANDLE first = theApp.m_hScanThread.load();
    ASSERT_NE(nullptr, first);
    CallbackProbe second;
    SetLastError(0);
    EXPECT_FALSE(OrvaneUtil_Init(&second, &CallbackProbe::Callback, false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BUSY), GetLastError());
    EXPECT_EQ(first, theApp.m_hScanThread.load());
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(probe.WaitCalled());
    ASSERT_TRUE(diagnostics.WaitFor(diag::Stream::Debugger, kScanEnd));
    EXPECT_EQ(0, second.count());
    EXPECT_EQ(1u, diagnostics.Count(diag::Stream::Debugger, kScanStart));
}

TEST_F(Connection, RefusedOpenIsRetriedWithItsDiagnosticsUntilItSucceeds) {
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(sim.RefuseOpen(camera, true));
    ASSERT_TRUE(OrvaneUtil_Init(&probe, &CallbackProbe::Callback, false));
    ASSERT_TRUE(diagnostics.WaitFor(diag::Stream::Debugger, kRefused, 2));
    EXPECT_EQ(0, probe.count());
    EXPECT_EQ(INVALID_HANDLE_VALUE, theApp.m_hDevice.load());

    // Meanwhile every request says why no camera is open, and asking so reaches no camera.
    uint8_t mode = 0;
    EXPECT_FALSE(OrvaneUtil_GetTrans(&mode));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), WhyNoCameraIsOpen());
    EXPECT_TRUE(Journal().empty());

    ASSERT_TRUE(sim.RefuseOpen(camera, false));
    ASSERT_TRUE(probe.WaitCalled());
    EXPECT_EQ(1, probe.count());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), WhyNoCameraIsOpen()) << "it is open";
    EXPECT_TRUE(Requests(kGetLastError).empty()) << "the question made a request";
}

TEST_F(Connection, ARefusedCameraThatIsPulledIsNoCameraAgain) {
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(sim.RefuseOpen(camera, true));
    ASSERT_TRUE(OrvaneUtil_Init(&probe, &CallbackProbe::Callback, false));
    ASSERT_TRUE(diagnostics.WaitFor(diag::Stream::Debugger, kRefused));
    ASSERT_TRUE(WaitUntil([] { return WhyNoCameraIsOpen() == ERROR_ACCESS_DENIED; }));
    ASSERT_TRUE(sim.Detach(camera));
    EXPECT_TRUE(WaitUntil([] { return WhyNoCameraIsOpen() == ERROR_DEVICE_NOT_CONNECTED; }));
    OrvaneUtil_Uninit();
    EXPECT_EQ(static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED), WhyNoCameraIsOpen());
    EXPECT_EQ(0, probe.count());
}

TEST_F(Connection, WatchWithNoCameraReportsAtOnce) {
    ASSERT_TRUE(OrvaneUtil_WatchConnection(&probe, &CallbackProbe::Callback));
    ASSERT_TRUE(probe.WaitCalled());
    ASSERT_TRUE(diagnostics.WaitFor(diag::Stream::Debugger, kWatchEnd));
    EXPECT_EQ(1, probe.count());
    EXPECT_EQ(1u, diagnostics.Count(diag::Stream::Debugger, kWatchStart));
    EXPECT_FALSE(theApp.m_bWatchRunning.load());
    EXPECT_TRUE(WaitUntil([] { return theApp.m_hWatchThread.load() == nullptr; }));
}

TEST_F(Connection, CameraPulledWhileWatchedIsReportedOnceAndTheHandleGoesStale) {
    Connect();
    const HANDLE device = theApp.m_hDevice.load();
    CallbackProbe removal;
    PollCounter looks;
    ASSERT_TRUE(looks.ok());
    ASSERT_TRUE(OrvaneUtil_WatchConnection(&removal, &CallbackProbe::Callback));
    ASSERT_TRUE(diagnostics.WaitFor(diag::Stream::Debugger, kWatchStart));
    SetLastError(0);
    EXPECT_FALSE(OrvaneUtil_WatchConnection(&probe, &CallbackProbe::Callback))
        << "one watch at a time";
    EXPECT_EQ(static_cast<DWORD>(ERROR_BUSY), GetLastError());
    ASSERT_TRUE(looks.WaitLooks(2));
    EXPECT_EQ(0, removal.count()) << "nothing to report while the camera is there";

    ASSERT_TRUE(sim.Detach(camera));
    ASSERT_TRUE(removal.WaitCalled());
    ASSERT_TRUE(diagnostics.WaitFor(diag::Stream::Debugger, kWatchEnd));
    EXPECT_EQ(1, removal.count());
    EXPECT_EQ(device, theApp.m_hDevice.load()) << "the watch leaves the device alone";

    // Requests still go to the stale handle, and fail there.
    VersionRecord version;
    EXPECT_FALSE(OrvaneUtil_GetVersion(&version));
    EXPECT_EQ(1u, Requests(kGetVersion).size());
}

TEST_F(Connection, UninitStopsAWatchThatIsRunning) {
    Connect();
    ASSERT_TRUE(OrvaneUtil_WatchConnection(&probe, &CallbackProbe::Callback));
    ASSERT_TRUE(diagnostics.WaitFor(diag::Stream::Debugger, kWatchStart));
    OrvaneUtil_Uninit();
    EXPECT_EQ(1u, diagnostics.Count(diag::Stream::Debugger, kWatchEnd));
    EXPECT_EQ(1, probe.count()) << "only the connection was reported";
    EXPECT_EQ(nullptr, theApp.m_hWatchThread.load());
}

TEST_F(Connection, ThreadStuckInItsCallbackIsEndedAfterTheStopWait) {
    probe.action = [](CallbackProbe& p) { WaitForSingleObject(p.release.get(), INFINITE); };
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(OrvaneUtil_Init(&probe, &CallbackProbe::Callback, false));
    ASSERT_TRUE(probe.WaitCalled());

    const auto start = Clock::now();
    OrvaneUtil_Uninit();
    const long long elapsed = MillisecondsSince(start);

    EXPECT_GE(elapsed, kStopWaitMs - 100) << "the thread was given its 3000 ms";
    EXPECT_LT(elapsed, kStopWaitMs + Scaled(3000)) << "then ended, not waited for again";
    EXPECT_EQ(0u, diagnostics.Count(diag::Stream::Debugger, kScanEnd)) << "ended by force";
    EXPECT_EQ(nullptr, theApp.m_hScanThread.load());
    EXPECT_EQ(INVALID_HANDLE_VALUE, theApp.m_hDevice.load());
    EXPECT_EQ(ConnectionControlWrite(1), Requests(kSetCtrlCurrent).back().input);
}

namespace {
// What OrvaneUtil_Uninit left behind when called on the library's own thread.
std::atomic<bool> g_uninitReturned{false};
std::atomic<bool> g_handleStillTheThreads{false};
}  // namespace

TEST_F(Connection, UninitFromInsideTheCallbackReturnsAndTheThreadEndsByItself) {
    g_uninitReturned = false;
    g_handleStillTheThreads = false;
    probe.action = [](CallbackProbe&) {
        OrvaneUtil_Uninit();
        g_uninitReturned = true;
        // Taking the handle over is what a wait for the thread begins with.
        g_handleStillTheThreads = theApp.m_hScanThread.load() != nullptr;
    };
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(OrvaneUtil_Init(&probe, &CallbackProbe::Callback, false));
    ASSERT_TRUE(diagnostics.WaitFor(diag::Stream::Debugger, kScanEnd));
    // A thread that waited out the stop wait on itself would have been terminated there,
    // before its End line.
    EXPECT_TRUE(g_uninitReturned.load());
    EXPECT_TRUE(g_handleStillTheThreads.load()) << "the thread did not wait for itself";
    EXPECT_EQ(INVALID_HANDLE_VALUE, theApp.m_hDevice.load());
    // Its handle is its own to release, after its End line.
    EXPECT_TRUE(WaitUntil([] { return theApp.m_hScanThread.load() == nullptr; }));
    const auto writes = Requests(kSetCtrlCurrent);
    ASSERT_EQ(2u, writes.size());
    EXPECT_EQ(ConnectionControlWrite(0), writes[0].input);
    EXPECT_EQ(ConnectionControlWrite(1), writes[1].input);
}

namespace {
HANDLE WINAPI FailingCreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID,
                                  DWORD, LPDWORD) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}
}  // namespace

TEST_F(Connection, ThreadThatCannotBeCreatedLeavesNothingRunning) {
    ASSERT_TRUE(sim.Attach(&camera));
    {
        ImportPatch patch("kernel32.dll", "CreateThread",
                          reinterpret_cast<const void*>(&FailingCreateThread));
        ASSERT_TRUE(patch.ok());
        EXPECT_FALSE(OrvaneUtil_Init(&probe, &CallbackProbe::Callback, false));
        EXPECT_FALSE(OrvaneUtil_WatchConnection(&probe, &CallbackProbe::Callback));
    }
    EXPECT_FALSE(theApp.m_bScanRunning.load());
    EXPECT_FALSE(theApp.m_bWatchRunning.load());
    EXPECT_EQ(nullptr, theApp.m_hScanThread.load());
    EXPECT_EQ(nullptr, theApp.m_hWatchThread.load());
    // Nothing is left that would refuse the next start.
    ASSERT_TRUE(OrvaneUtil_Init(&probe, &CallbackProbe::Callback, false));
    EXPECT_TRUE(probe.WaitCalled());
}
