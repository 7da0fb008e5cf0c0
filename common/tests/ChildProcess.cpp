#include "ChildProcess.h"

#include <vector>

#include "TimeScale.h"

namespace tavik::test {

namespace {

// Wine or a loaded machine may need a while to tear a process down.
constexpr DWORD kTerminateWaitMs = 10000;

// Every program a test starts is in this job, which ends them when the test program goes,
// however it goes: a test program that CTest ends at its time-out leaves nothing behind to hold
// the camera, the desktop's log or the updater's mark for the next. Null when it cannot be had.
HANDLE ChildrenJob() {
    static const UniqueHandle job = [] {
        UniqueHandle made(CreateJobObjectW(nullptr, nullptr));
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (made && !SetInformationJobObject(made.get(), JobObjectExtendedLimitInformation, &limits,
                                             sizeof(limits))) {
            made.reset();
        }
        return made;
    }();
    return job.get();
}

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
    // Suspended until it is in the job, so that nothing it starts escapes it.
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info)) {
        return false;
    }
    UniqueHandle thread(info.hThread);
    process_.reset(info.hProcess);
    const HANDLE job = ChildrenJob();
    if ((job != nullptr && !AssignProcessToJobObject(job, process_.get())) ||
        ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
        const DWORD error = GetLastError();
        TerminateProcess(process_.get(), 0xE2E);
        process_.reset();
        SetLastError(error);
        return false;
    }
    id_ = info.dwProcessId;
    return true;
}

bool ChildProcess::Running() const {
    return started() && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitExit(DWORD timeoutMs) const {
    return started() && WaitForSingleObject(process_.get(), Bounded(timeoutMs)) == WAIT_OBJECT_0;
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
        WaitForSingleObject(process_.get(), Bounded(kTerminateWaitMs));
    }
}

}  // namespace tavik::test
