// A program started by a test, ended by force when its owner goes away while it still
// runs, so a failing case never leaves one behind; and, through a job, when the test program
// itself ends, however it ends.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "UniqueAny.h"

namespace tavik::test {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` (a path, or a name the system searches for) with `arguments` in the
    // folder `workingFolder` (empty: the caller's). Fails if one is already running.
    bool Start(const std::wstring& program, const std::wstring& arguments,
               const std::wstring& workingFolder);

    bool started() const { return static_cast<bool>(process_); }
    HANDLE handle() const { return process_.get(); }
    DWORD id() const { return id_; }
    bool Running() const;

    // True when the program ended within `timeoutMs`, widened by the host's time scale.
    bool WaitExit(DWORD timeoutMs) const;
    std::optional<DWORD> ExitCode() const;  // empty while it runs

    // Ends it by force if it still runs and waits until it is gone.
    void Terminate();

private:
    UniqueHandle process_;
    DWORD id_ = 0;
};

}  // namespace tavik::test
