// Starts that must be refused: OrvaneUtil_Init while a camera is connected, and the second of
// two starts made at the same moment.
#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

#include "CameraTest.h"
#include "ImportPatch.h"
#include "LibraryState.h"

namespace {

const wchar_t kScanStart[] = L"ScanDeviceThread Srart\r\n";
const wchar_t kWatchStart[] = L"WatchConnectionThread Srart\r\n";

using CreateThreadFunction = decltype(&CreateThread);
CreateThreadFunction g_createThread = nullptr;

// Widens the moment between a start's test for a running thread and its creation.
HANDLE WINAPI SlowCreateThread(LPSECURITY_ATTRIBUTES sa, SIZE_T stack, LPTHREAD_START_ROUTINE entry,
                               LPVOID parameter, DWORD flags, LPDWORD id) {
    Sleep(5);
    return g_createThread(sa, stack, entry, parameter, flags, id);
}

// Two threads call `start` as nearly at once as they can; returns how many calls succeeded.
int RaceTwo(const std::function<bool()>& start) {
    UniqueHandle go(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::atomic<int> ready{0};
    std::atomic<int> started{0};
    auto racer = [&] {
        ready.fetch_add(1);
        WaitForSingleObject(go.get(), INFINITE);
        if (start()) {
            started.fetch_add(1);
        }
    };
    std::thread a(racer);
    std::thread b(racer);
    WaitUntil([&] { return ready.load() == 2; });
    SetEvent(go.get());
    a.join();
    b.join();
    return started.load();
}

class Start : public CameraTest {
protected:
    void SetUp() override {
        CameraTest::SetUp();
        g_createThread = reinterpret_cast<CreateThreadFunction>(reinterpret_cast<void (*)(void)>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateThread")));
        ASSERT_NE(nullptr, g_createThread);
    }
};

}  // namespace

TEST_F(Start, InitWhileConnectedIsRefusedAndTheConnectionGoesOn) {
    Connect();
    const HANDLE device = theApp.m_hDevice.load();
    const uint32_t opens = Status().opens;
    CallbackProbe second;
    SetLastError(0);
    EXPECT_FALSE(OrvaneUtil_Init(&second, &CallbackProbe::Callback, false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BUSY), GetLastError());
    EXPECT_EQ(nullptr, theApp.m_hScanThread.load()) << "no thread started";
    EXPECT_FALSE(theApp.m_bScanRunning.load());
    EXPECT_EQ(device, theApp.m_hDevice.load());
    EXPECT_EQ(1u, diagnostics.Count(diag::Stream::Debugger, kScanStart));

    VersionRecord version;
    EXPECT_TRUE(OrvaneUtil_GetVersion(&version));
    EXPECT_EQ(0x7012, version.productCode);
    EXPECT_EQ(opens, Status().opens) << "the camera was not opened again";
    const auto journal = Journal();
    ASSERT_EQ(1u, journal.size()) << "no control write either";
    EXPECT_EQ(RequestCode(kGetVersion), journal[0].code);
    EXPECT_EQ(0, second.count());

    // After OrvaneUtil_Uninit it starts over.
    OrvaneUtil_Uninit();
    EXPECT_TRUE(OrvaneUtil_Init(&second, &CallbackProbe::Callback, false));
    EXPECT_TRUE(second.WaitCalled());
}

TEST_F(Start, TwoInitsAtOnceStartExactlyOneThread) {
    ImportPatch patch("kernel32.dll", "CreateThread",
                      reinterpret_cast<const void*>(&SlowCreateThread));
    ASSERT_TRUE(patch.ok());
    ASSERT_TRUE(sim.Attach(&camera));
    constexpr int kRounds = 40;
    for (int round = 1; round <= kRounds; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(1, RaceTwo([this] {
                      return OrvaneUtil_Init(&probe, &CallbackProbe::Callback, false);
                  }));
        ASSERT_TRUE(WaitUntil([this, round] { return probe.count() == round; }));
        OrvaneUtil_Uninit();
        ASSERT_EQ(static_cast<size_t>(round),
                  diagnostics.Count(diag::Stream::Debugger, kScanStart));
    }
    EXPECT_EQ(kRounds, probe.count());
}

TEST_F(Start, TwoWatchesAtOnceStartExactlyOneThread) {
    ImportPatch patch("kernel32.dll", "CreateThread",
                      reinterpret_cast<const void*>(&SlowCreateThread));
    ASSERT_TRUE(patch.ok());
    ASSERT_TRUE(sim.Attach(&camera));  // present: a watch runs until OrvaneUtil_Uninit
    constexpr int kRounds = 15;
    for (int round = 1; round <= kRounds; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(1, RaceTwo([this] {
                      return OrvaneUtil_WatchConnection(&probe, &CallbackProbe::Callback);
                  }));
        OrvaneUtil_Uninit();
        ASSERT_EQ(static_cast<size_t>(round),
                  diagnostics.Count(diag::Stream::Debugger, kWatchStart));
    }
    EXPECT_EQ(0, probe.count()) << "the camera never went";
}
