// The import patch that tests rely on to make a system call fail: a patch that is not in place
// must say so, or such a test would pass without its failure ever happening.
#include <gtest/gtest.h>

#include <windows.h>

#include "ImportPatch.h"

namespace {

using VirtualProtectFunction = decltype(&VirtualProtect);
using ProcessIdFunction = decltype(&GetCurrentProcessId);

template <typename Function>
Function SystemFunction(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)(void)>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

// The system's own, reached without this program's import slot.
const VirtualProtectFunction g_virtualProtect =
    SystemFunction<VirtualProtectFunction>("VirtualProtect");
bool g_refuseProtection = false;

BOOL WINAPI RefusingVirtualProtect(LPVOID address, SIZE_T size, DWORD protection, PDWORD old) {
    if (g_refuseProtection) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return g_virtualProtect(address, size, protection, old);
}

DWORD WINAPI NoProcessId() {
    return 0;  // never a program's own
}

// Reads the import slot at every call: within one function a compiler may keep an imported
// function's address from an earlier call, as if the slot could not change.
__declspec(noinline) DWORD ProcessIdThroughImport() {
    return GetCurrentProcessId();
}

}  // namespace

TEST(ImportPatch, ReplacesTheImportForItsLifetimeOnly) {
    const DWORD id = SystemFunction<ProcessIdFunction>("GetCurrentProcessId")();
    ASSERT_NE(0u, id);
    {
        ImportPatch patch("kernel32.dll", "GetCurrentProcessId",
                          reinterpret_cast<const void*>(&NoProcessId));
        ASSERT_TRUE(patch.ok());
        EXPECT_EQ(0u, ProcessIdThroughImport());
    }
    EXPECT_EQ(id, ProcessIdThroughImport());
}

TEST(ImportPatch, IsNotOkForAFunctionThisProgramDoesNotImport) {
    ImportPatch patch("kernel32.dll", "NoSuchFunction",
                      reinterpret_cast<const void*>(&NoProcessId));
    EXPECT_FALSE(patch.ok());
}

TEST(ImportPatch, IsNotOkAndReplacesNothingWhenTheSlotCannotBeMadeWritable) {
    ImportPatch protection("kernel32.dll", "VirtualProtect",
                           reinterpret_cast<const void*>(&RefusingVirtualProtect));
    ASSERT_TRUE(protection.ok());
    const DWORD id = ProcessIdThroughImport();
    {
        g_refuseProtection = true;
        ImportPatch patch("kernel32.dll", "GetCurrentProcessId",
                          reinterpret_cast<const void*>(&NoProcessId));
        g_refuseProtection = false;
        EXPECT_FALSE(patch.ok());
        EXPECT_EQ(id, ProcessIdThroughImport());
    }
    EXPECT_EQ(id, ProcessIdThroughImport()) << "nothing to put back";
}
