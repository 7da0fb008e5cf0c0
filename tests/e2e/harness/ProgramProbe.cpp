#include "ProgramProbe.h"

#include <string>

#include "ThisProgram.h"
#include "RemoteMemory.h"
#include "TimeScale.h"
#include "UniqueAny.h"

namespace e2e {

namespace {

constexpr DWORD kCallMs = 20000;

// Runs `start` in `process` on a thread of its own; its exit code, or nothing.
std::optional<uint32_t> RunThere(HANDLE process, uintptr_t start, const void* argument) {
    UniqueHandle thread(CreateRemoteThread(process, nullptr, 0,
                                           reinterpret_cast<LPTHREAD_START_ROUTINE>(start),
                                           const_cast<void*>(argument), 0, nullptr));
    DWORD code = 0;
    if (!thread ||
        WaitForSingleObject(thread.get(), tavik::test::Bounded(kCallMs)) != WAIT_OBJECT_0 ||
        !GetExitCodeThread(thread.get(), &code)) {
        return std::nullopt;
    }
    return code;
}

}  // namespace

ProgramProbe::ProgramProbe(HANDLE process) : process_(process) {
    const std::wstring path = BesideThisProgram(L"e2e_program_probe.dll");
    local_ = LoadLibraryW(path.c_str());
    if (local_ == nullptr) {
        return;
    }
    const size_t bytes = (path.size() + 1) * sizeof(wchar_t);
    RemoteBlock name(process, bytes);
    if (!name.ok() || !name.Write(0, path.c_str(), bytes)) {
        return;
    }
    // As on Windows, kernel32 lies at the same address in every process of the session.
    const auto loadLibrary = reinterpret_cast<uintptr_t>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW"));
    remote_ = RunThere(process, loadLibrary, name.address()).value_or(0);
}

ProgramProbe::~ProgramProbe() {
    // The library stays in the program, which ends soon after; here it goes.
    if (local_ != nullptr) {
        FreeLibrary(local_);
    }
}

std::optional<uint32_t> ProgramProbe::FontOf(HWND window) const {
    return Call("FontOfWindow", window);
}

std::optional<uint32_t> ProgramProbe::WeightOf(HWND window) const {
    return Call("WeightOfWindowFont", window);
}

std::optional<uint32_t> ProgramProbe::TextWidthOf(HWND window) const {
    const auto width = Call("TextWidthOfWindow", window);
    return width && *width != 0xFFFFFFFF ? width : std::nullopt;
}

bool ProgramProbe::PresentPowerStatus(BYTE acLineStatus, BYTE batteryFlag,
                                      BYTE batteryLifePercent) const {
    const auto packed = static_cast<uintptr_t>(acLineStatus) |
                        (static_cast<uintptr_t>(batteryFlag) << 8) |
                        (static_cast<uintptr_t>(batteryLifePercent) << 16);
    return Call("PresentPowerStatus", reinterpret_cast<const void*>(packed)) == 1u;
}

std::optional<uint32_t> ProgramProbe::PowerStatusReads() const {
    return Call("PowerStatusReads", nullptr);
}

bool ProgramProbe::WatchExecutionState() const {
    return Call("WatchExecutionState", nullptr) == 1u;
}

std::optional<uint32_t> ProgramProbe::LastExecutionState() const {
    return Call("LastExecutionState", nullptr);
}

std::optional<uint32_t> ProgramProbe::LastExecutionStateThread() const {
    return Call("LastExecutionStateThread", nullptr);
}

bool ProgramProbe::RefuseResultPosts() const {
    return Call("RefuseResultPosts", nullptr) == 1u;
}

std::optional<uint32_t> ProgramProbe::RefusedResultPosts() const {
    return Call("RefusedResultPosts", nullptr);
}

std::optional<uint32_t> ProgramProbe::Call(const char* function, const void* argument) const {
    if (!ok()) {
        return std::nullopt;
    }
    const auto here = reinterpret_cast<uintptr_t>(GetProcAddress(local_, function));
    if (here == 0) {
        return std::nullopt;
    }
    return RunThere(process_, remote_ + (here - reinterpret_cast<uintptr_t>(local_)), argument);
}

}  // namespace e2e
