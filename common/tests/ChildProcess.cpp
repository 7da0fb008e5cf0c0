#include "ChildProcess.h"

#include <vector>

#include "TimeScale.h"

namespace tavik::test {

namespace {

// Wine or a loaded machine may need a while to tear a process down.
constexpr DWORD kTerminateWaitMs = 10000;

}  // namespace

ChildProcess::~ChildProcess() {
    Terminate();
}

bool ChildProcess::Start(const std::wstring& program, const std::wstring& arguments,
                         const std::wstring& workingFolder) {
    if (started() && Running()) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    // CreateProcessW may write into the command line, so it gets a buffer of its own.
    std::wstring line = L"\"" + program + L"\"";
    if (!arguments.empty()) {
        line += L" " + arguments;
    }
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info)) {
        return false;
    }
    UniqueHandle thread(info.hThread);
    process_.reset(info.hProcess);
    id_ = info.dwProcessId;
    return true;
}

bool ChildProcess::Running() const {
    return started() && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitExit(DWORD timeoutMs) const {
    return started() && WaitForSingleObject(process_.get(), Scaled(timeoutMs)) == WAIT_OBJECT_0;
}

std::optional<DWORD> ChildProcess::ExitCode() const {
    DWORD code = 0;
    if (!started() || Running() || !GetExitCodeProcess(process_.get(), &code)) {
        return std::nullopt;
    }
    return code;
}

void ChildProcess::Terminate() {
    if (Running()) {
        TerminateProcess(process_.get(), 0xE2E);
        WaitForSingleObject(process_.get(), Scaled(kTerminateWaitMs));
    }
}

}  // namespace tavik::test
