#include "ConsoleRun.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "ThisProgram.h"
#include "TimeScale.h"
#include "UniqueAny.h"

struct ConsoleRun::State {
    UniqueHandle process;
    std::thread outReader;
    std::thread errReader;
    mutable std::mutex lock;
    std::condition_variable changed;
    std::string out;
    std::string err;
    int open = 0;  // readers still reading
};

namespace {

void ReadAll(HANDLE pipe, ConsoleRun::State* state, std::string* into) {
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        std::lock_guard<std::mutex> hold(state->lock);
        into->append(buffer, read);
        state->changed.notify_all();
    }
    CloseHandle(pipe);
    std::lock_guard<std::mutex> hold(state->lock);
    --state->open;
    state->changed.notify_all();
}

}  // namespace

ConsoleRun::ConsoleRun(const std::wstring& program, const std::wstring& arguments,
                       const std::wstring& workingFolder)
    : state_(new State) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) {
        return;
    }
    if (!CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        CloseHandle(outRead);
        CloseHandle(outWrite);
        return;
    }
    // Only the child's ends are inherited.
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    UniqueHandle childOut(outWrite), childErr(errWrite);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    const std::wstring path =
        program.find(L'\\') == std::wstring::npos ? BesideThisProgram(program.c_str()) : program;
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    PROCESS_INFORMATION info = {};
    const BOOL started =
        CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                       workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info);
    childOut.reset();
    childErr.reset();
    if (!started) {
        CloseHandle(outRead);
        CloseHandle(errRead);
        return;
    }
    CloseHandle(info.hThread);
    state_->process.reset(info.hProcess);
    state_->open = 2;
    state_->outReader = std::thread(ReadAll, outRead, state_.get(), &state_->out);
    state_->errReader = std::thread(ReadAll, errRead, state_.get(), &state_->err);
}

ConsoleRun::~ConsoleRun() {
    if (state_->process && WaitForSingleObject(state_->process.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(state_->process.get(), 1);
    }
    if (state_->outReader.joinable()) {
        state_->outReader.join();
    }
    if (state_->errReader.joinable()) {
        state_->errReader.join();
    }
}

bool ConsoleRun::ok() const {
    return static_cast<bool>(state_->process);
}

bool ConsoleRun::WaitExit(DWORD timeoutMs) {
    const DWORD bound = tavik::test::Bounded(timeoutMs);
    if (!ok() || WaitForSingleObject(state_->process.get(), bound) != WAIT_OBJECT_0) {
        return false;
    }
    std::unique_lock<std::mutex> hold(state_->lock);
    return state_->changed.wait_for(hold, std::chrono::milliseconds(bound),
                                    [this] { return state_->open == 0; });
}

bool ConsoleRun::WaitOutput(const std::function<bool(const std::string&)>& condition,
                            DWORD timeoutMs) {
    std::unique_lock<std::mutex> hold(state_->lock);
    return state_->changed.wait_for(hold, std::chrono::milliseconds(tavik::test::Bounded(timeoutMs)),
                                    [&] { return condition(state_->out); });
}

DWORD ConsoleRun::exitCode() const {
    DWORD code = STILL_ACTIVE;
    if (ok()) {
        GetExitCodeProcess(state_->process.get(), &code);
    }
    return code;
}

std::string ConsoleRun::output() const {
    std::lock_guard<std::mutex> hold(state_->lock);
    return state_->out;
}

std::string ConsoleRun::errors() const {
    std::lock_guard<std::mutex> hold(state_->lock);
    return state_->err;
}
