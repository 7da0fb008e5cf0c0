// What only the program itself can tell: the fonts of its windows and the width of their text,
// and its calls of a few system functions. A font handle means nothing outside its process, Wine
// passes no WM_GETFONT between processes, and a call is seen only where it is made: a small library
// of ours (e2e_program_probe.dll, beside the test program) is loaded into the process, and its
// functions run there on threads of their own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

namespace e2e {

class ProgramProbe {
public:
    // `process` needs the access CreateProcessW gives its creator.
    explicit ProgramProbe(HANDLE process);
    ~ProgramProbe();
    ProgramProbe(const ProgramProbe&) = delete;
    ProgramProbe& operator=(const ProgramProbe&) = delete;

    bool ok() const { return remote_ != 0; }

    // The window's font as a handle of its process (equal handles: one font); 0: none.
    std::optional<uint32_t> FontOf(HWND window) const;
    // Its weight: 400 normal, 700 bold; 0: no font.
    std::optional<uint32_t> WeightOf(HWND window) const;
    // The width in pixels of its text on one line in its font, as a static control draws it.
    std::optional<uint32_t> TextWidthOf(HWND window) const;

    // From now on the program's calls of SetThreadExecutionState are noted (its import
    // patched); true when that is in place.
    bool WatchExecutionState() const;
    // The flags of its last call (0xFFFFFFFF before any), and the thread that made it.
    std::optional<uint32_t> LastExecutionState() const;
    std::optional<uint32_t> LastExecutionStateThread() const;

    // From now on its result notifications (WM_SYSCOMMAND 0x20 and 0x30) fail to post, as on a
    // full queue; true when that is in place. RefusedResultPosts counts the refusals.
    bool RefuseResultPosts() const;
    std::optional<uint32_t> RefusedResultPosts() const;

    // From now on the program's GetSystemPowerStatus reports this power (its import patched),
    // whatever the PC's; true when that is in place. Called again, it reports the new values.
    bool PresentPowerStatus(BYTE acLineStatus, BYTE batteryFlag, BYTE batteryLifePercent) const;
    // How often the program asked for the power status since it was first presented.
    std::optional<uint32_t> PowerStatusReads() const;

private:
    std::optional<uint32_t> Call(const char* function, const void* argument) const;

    HANDLE process_;
    HMODULE local_ = nullptr;  // the same library here, for where its functions lie
    uintptr_t remote_ = 0;     // where it was loaded there
};

}  // namespace e2e
