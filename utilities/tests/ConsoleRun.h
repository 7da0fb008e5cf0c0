// Runs a console program of the build (beside this test program) with its output captured.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

class ConsoleRun {
public:
    // Starts `program` (a file name beside this test program, or a full path) with `arguments`,
    // its standard output and error read into memory. ok() tells whether it started.
    ConsoleRun(const std::wstring& program, const std::wstring& arguments,
               const std::wstring& workingFolder = std::wstring());
    ~ConsoleRun();  // ends the program if it still runs
    ConsoleRun(const ConsoleRun&) = delete;
    ConsoleRun& operator=(const ConsoleRun&) = delete;

    bool ok() const;
    // Bounds are given as on a native host and widened by the host's time scale, as
    // ChildProcess::WaitExit widens them.
    // Waits for the program to end and its output to be read; false after `timeoutMs`.
    bool WaitExit(DWORD timeoutMs);
    // Waits until the output read so far satisfies `condition`.
    bool WaitOutput(const std::function<bool(const std::string&)>& condition, DWORD timeoutMs);
    DWORD exitCode() const;
    std::string output() const;  // standard output, as bytes
    std::string errors() const;  // standard error

    struct State;  // shared with the threads that read the pipes

private:
    std::unique_ptr<State> state_;
};
