// TAVIKUtilDll bound at run time and freed after every use, as a program that loads it only
// for an update does: a thread still ending must not run code that FreeLibrary has unmapped,
// and no cycle may leave a handle or a reference on the library behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "CamSimControl.h"
#include "TAVIKUtilDll.h"
#include "TimeScale.h"
#include "UniqueAny.h"
#include "WaitUntil.h"

namespace {

using InitFunction = bool(__stdcall*)(void*, ConnectionCallback, bool);
using UninitFunction = void(__stdcall*)(void);

template <typename Function>
Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)(void)>(GetProcAddress(module, name)));
}

int __stdcall OnConnected(void* context) {
    SetEvent(static_cast<HANDLE>(context));
    return 0;
}

// A caller that ends the use from inside its callback, then tells its main thread, which frees
// the library at once: the library's thread is still on its way out through the library.
struct EndingCaller {
    HANDLE done;
    UninitFunction uninit;
};

int __stdcall UninitThenSignal(void* context) {
    auto* caller = static_cast<EndingCaller*>(context);
    caller->uninit();
    SetEvent(caller->done);
    return 0;
}

// Nothing announces that the last reference went; look until it has.
bool WaitUnloaded() {
    return tavik::test::WaitUntil([] { return GetModuleHandleW(L"TAVIKUtilDll.dll") == nullptr; });
}

bool WaitSignalled(HANDLE event) {
    return WaitForSingleObject(event, tavik::test::Scaled(5000)) == WAIT_OBJECT_0;
}

// Load, connect, shut down, free at once; then the library must go once its threads are gone.
// Without `connect` the library is only loaded and freed.
bool Cycle(HANDLE connected, bool connect) {
    HMODULE module = LoadLibraryW(L"TAVIKUtilDll.dll");
    if (module == nullptr) {
        return false;
    }
    const auto init = Export<InitFunction>(module, "OrvaneUtil_Init");
    const auto uninit = Export<UninitFunction>(module, "OrvaneUtil_Uninit");
    bool ok = init != nullptr && uninit != nullptr;
    if (ok && connect) {
        ok = init(connected, &OnConnected, false) && WaitSignalled(connected);
        uninit();
    }
    FreeLibrary(module);
    return ok && WaitUnloaded();
}

// The process handle count is not reported under Wine. Handle values are handed out lowest
// free first, so the value of a handle made now grows when handles are left open.
uintptr_t FreshHandleValue() {
    UniqueHandle probe(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    return reinterpret_cast<uintptr_t>(probe.get());
}

}  // namespace

TEST(LoadUnload, CyclesWithTheCameraAttachedLeaveNothingBehind) {
    camsim::Control sim;
    ASSERT_TRUE(sim.ok());
    ASSERT_TRUE(sim.Reset());
    ASSERT_TRUE(sim.Attach());
    UniqueHandle connected(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    ASSERT_TRUE(connected);
    // A handle left per use grows the fresh value by 4 per cycle, so 20 cycles put such a leak
    // (80) at more than twice the allowance below for the system's own variation (32; the two
    // phases have differed by 8); more cycles add time, not sight.
    constexpr int kCycles = 20;

    // The static C++ runtime of a mingw-w64 DLL leaves handles behind at every load and
    // unload by itself (its threads library's); what the library's own use adds is measured
    // against that.
    ASSERT_TRUE(Cycle(connected.get(), true));  // whatever the system keeps after a first use
    const uintptr_t start = FreshHandleValue();
    for (int i = 0; i < kCycles; ++i) {
        ASSERT_TRUE(Cycle(connected.get(), false)) << "cycle " << i;
    }
    const uintptr_t loaded = FreshHandleValue();
    for (int i = 0; i < kCycles; ++i) {
        ASSERT_TRUE(Cycle(connected.get(), true)) << "cycle " << i;
    }
    const uintptr_t used = FreshHandleValue();
    std::printf("fresh handle value %#lx; after %d loads %#lx; after %d uses %#lx\n",
                static_cast<unsigned long>(start), kCycles, static_cast<unsigned long>(loaded),
                kCycles, static_cast<unsigned long>(used));
    // One thread, device or event handle left per use would add 20 values (4 apart). A freed
    // lower value may come back, so either difference may be negative.
    const long long loadGrowth = static_cast<long long>(loaded) - static_cast<long long>(start);
    const long long useGrowth = static_cast<long long>(used) - static_cast<long long>(loaded);
    EXPECT_LE(useGrowth, std::max(loadGrowth, 0LL) + 8 * 4);

    std::vector<camsim::JournalEntry> journal;
    ASSERT_TRUE(sim.ReadJournal(&journal));
    ASSERT_EQ(static_cast<size_t>(2 * (kCycles + 1)), journal.size());
    for (size_t i = 0; i < journal.size(); ++i) {
        ASSERT_EQ((std::vector<uint8_t>{0x3E, 0, 0, 0, static_cast<uint8_t>(i % 2)}),
                  journal[i].input)
            << "every connection opened with 0 and closed with 1";
    }
    EXPECT_TRUE(sim.Reset());
}

TEST(LoadUnload, FreedRightAfterAnUninitInsideTheCallbackTheThreadStillLeavesSafely) {
    camsim::Control sim;
    ASSERT_TRUE(sim.ok());
    ASSERT_TRUE(sim.Reset());
    ASSERT_TRUE(sim.Attach());
    UniqueHandle done(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    ASSERT_TRUE(done);
    // Each cycle frees the library while its thread is still on its way out through it. A
    // thread without a reference of its own ran unmapped code within the first three cycles
    // in every trial; 20 leave a wide margin for a host where the race is rarer.
    constexpr int kCycles = 20;
    for (int i = 0; i < kCycles; ++i) {
        HMODULE module = LoadLibraryW(L"TAVIKUtilDll.dll");
        ASSERT_NE(nullptr, module);
        EndingCaller caller = {done.get(), Export<UninitFunction>(module, "OrvaneUtil_Uninit")};
        const auto init = Export<InitFunction>(module, "OrvaneUtil_Init");
        ASSERT_TRUE(init != nullptr && caller.uninit != nullptr);
        ASSERT_TRUE(init(&caller, &UninitThenSignal, false));
        ASSERT_TRUE(WaitSignalled(done.get())) << "cycle " << i;
        FreeLibrary(module);
        ASSERT_TRUE(WaitUnloaded()) << "cycle " << i;
    }
    EXPECT_TRUE(sim.Reset());
}
