#include "CameraTest.h"

#include <setupapi.h>

#include <climits>

#include "LibraryState.h"
#include "TimeScale.h"

namespace {

// Released once per look. Made once and never closed: a library thread may still be on its
// way out of CountedDestroy when a counter goes.
HANDLE LooksEnded() {
    static const HANDLE semaphore = CreateSemaphoreW(nullptr, 0, LONG_MAX, nullptr);
    return semaphore;
}

using DestroyFunction = decltype(&SetupDiDestroyDeviceInfoList);

// The system's own, reached without this program's import slot.
const DestroyFunction g_destroy =
    reinterpret_cast<DestroyFunction>(reinterpret_cast<void (*)(void)>(
        GetProcAddress(GetModuleHandleW(L"setupapi.dll"), "SetupDiDestroyDeviceInfoList")));

BOOL WINAPI CountedDestroy(HDEVINFO set) {
    const BOOL result = g_destroy(set);
    ReleaseSemaphore(LooksEnded(), 1, nullptr);
    return result;
}

}  // namespace

CallbackProbe::CallbackProbe()
    : release(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      called_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

int __stdcall CallbackProbe::Callback(void* context) {
    auto* probe = static_cast<CallbackProbe*>(context);
    // Once the event is set the waiting test may end and its probe go away: nothing of the probe
    // is read after it, except by an action, whose test keeps its probe alive.
    const auto action = probe->action;
    probe->threadId_.store(GetCurrentThreadId());
    probe->count_.fetch_add(1);
    SetEvent(probe->called_.get());
    if (action != nullptr) {
        action(*probe);
    }
    return 0;
}

bool CallbackProbe::WaitCalled(DWORD timeoutMs) const {
    return WaitForSingleObject(called_.get(), tavik::test::Bounded(timeoutMs)) == WAIT_OBJECT_0;
}

void CameraTest::SetUp() {
    ASSERT_TRUE(sim.ok()) << "the simulated camera's driver is not running";
    ASSERT_TRUE(sim.Reset());
    ASSERT_EQ(INVALID_HANDLE_VALUE, theApp.m_hDevice.load());
}

void CameraTest::TearDown() {
    SetEvent(probe.release.get());
    OrvaneUtil_Uninit();
    sim.Reset();
}

void CameraTest::Connect() {
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(OrvaneUtil_Init(&probe, &CallbackProbe::Callback, false));
    ASSERT_TRUE(probe.WaitCalled());
    ASSERT_NE(INVALID_HANDLE_VALUE, theApp.m_hDevice.load());
    ASSERT_TRUE(diagnostics.WaitFor(diag::Stream::Debugger, L"ScanDeviceThread End\r\n"));
    // The thread writes its last line before it gives up its slot.
    ASSERT_TRUE(WaitUntil([] { return theApp.m_hScanThread.load() == nullptr; }))
        << "the scan thread kept its slot after its last line";
    ASSERT_TRUE(sim.ClearJournal());
}

std::vector<camsim::JournalEntry> CameraTest::Journal() {
    std::vector<camsim::JournalEntry> entries;
    EXPECT_TRUE(sim.ReadJournal(&entries));
    return entries;
}

std::vector<camsim::JournalEntry> CameraTest::Requests(RequestFunction function) {
    std::vector<camsim::JournalEntry> matching;
    for (auto& entry : Journal()) {
        if (entry.code == RequestCode(function)) {
            matching.push_back(entry);
        }
    }
    return matching;
}

camsim::StatusRecord CameraTest::Status() {
    camsim::StatusRecord status{};
    EXPECT_TRUE(sim.ReadStatus(&status));
    return status;
}

bool CameraTest::WaitOutstanding(uint32_t count, DWORD timeoutMs) {
    return WaitUntil([this, count] { return Status().outstanding == count; }, timeoutMs);
}

std::vector<uint8_t> ConnectionControlWrite(uint8_t value) {
    return {0x3E, 0, 0, 0, value};
}

PollCounter::PollCounter()
    : patch_("setupapi.dll", "SetupDiDestroyDeviceInfoList",
             reinterpret_cast<const void*>(&CountedDestroy)) {
    // Looks counted for an earlier counter are not this one's.
    while (WaitForSingleObject(LooksEnded(), 0) == WAIT_OBJECT_0) {
    }
}

bool PollCounter::WaitLooks(int count) {
    for (int i = 0; i < count; ++i) {
        if (WaitForSingleObject(LooksEnded(), tavik::test::Scaled(5000)) != WAIT_OBJECT_0) {
            return false;
        }
    }
    return true;
}
