#include "TraceWriter.h"

#include <atomic>
#include <deque>
#include <new>
#include <utility>

#include "Diagnostics.h"
#include "TraceTarget.h"
#include "UniqueAny.h"

namespace trace {

class Writer {
public:
    Writer(std::wstring path, std::string header) : path_(std::move(path)) {
        waiting_.push_back(std::move(header));
    }

    std::wstring path_;
    UniqueHandle wake_{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    UniqueHandle thread_;
    HMODULE module_ = nullptr;  // the thread's reference on the library
    // Two owners, the thread and Finish: the last one to let go deletes.
    std::atomic<LONG> owners_{2};
    std::atomic<bool> givenUp_{false};
    // GetTickCount64 when the line being written was begun; 0 while none is.
    std::atomic<ULONGLONG> writingSince_{0};

    // Guarded by lock_, which is never held while the file is touched.
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::deque<std::string> waiting_;
    size_t waitingBytes_ = 0;
    bool finishing_ = false;
};

namespace {

void Release(Writer* writer) {
    if (writer->owners_.fetch_sub(1) == 1) {
        delete writer;
    }
}

// Said once, whoever notices first; the thread stops at its next line.
void GiveUp(Writer* writer, const std::wstring& reason) {
    if (!writer->givenUp_.exchange(true)) {
        diag::Write(diag::Stream::Debugger,
                    (std::wstring(kTraceVariable) + L": the trace ends here: writing " +
                     writer->path_ + L" " + reason + L"\r\n")
                        .c_str());
    }
}

std::wstring LimitText() {
    return L"took longer than " + std::to_wstring(kLineWriteLimitMs / 1000) + L" s";
}

// One line, whole, in its time; false when the writer gave up over it.
bool WriteLine(Writer* writer, HANDLE file, const std::string& line) {
    const ULONGLONG start = GetTickCount64();
    writer->writingSince_.store(start);
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    writer->writingSince_.store(0);
    if (!ok || written != line.size()) {
        // A write cut short without an error is a full disk.
        GiveUp(
            writer,
            L"failed (" + SystemErrorText(error == ERROR_SUCCESS ? ERROR_DISK_FULL : error) + L")");
        return false;
    }
    if (GetTickCount64() - start > kLineWriteLimitMs) {
        GiveUp(writer, LimitText());
        return false;
    }
    return !writer->givenUp_.load();
}

// Until finished: waits for lines, takes all that wait, writes them in the order handed.
void WriteUntilFinished(Writer* writer, HANDLE file) {
    for (;;) {
        std::deque<std::string> lines;
        bool finishing = false;
        AcquireSRWLockExclusive(&writer->lock_);
        lines.swap(writer->waiting_);
        writer->waitingBytes_ = 0;
        finishing = writer->finishing_;
        ReleaseSRWLockExclusive(&writer->lock_);
        for (const std::string& line : lines) {
            if (!WriteLine(writer, file, line)) {
                return;
            }
        }
        if (finishing && lines.empty()) {
            return;
        }
        if (lines.empty()) {
            WaitForSingleObject(writer->wake_.get(), INFINITE);
        }
    }
}

DWORD WINAPI TraceWriterThread(LPVOID parameter) {
    auto* writer = static_cast<Writer*>(parameter);
    const HMODULE module = writer->module_;
    TraceFile trace = OpenTraceFile(writer->path_);
    if (!trace.file) {
        writer->givenUp_.store(true);
        diag::Write(diag::Stream::Debugger, (trace.problem + L"\r\n").c_str());
    } else if (!trace.endsMidLine || WriteLine(writer, trace.file.get(), "\n")) {
        // An earlier session cut off inside a line keeps that line to itself.
        WriteUntilFinished(writer, trace.file.get());
    }
    trace.file.reset();
    Release(writer);
    // Through its own reference: a FreeLibrary right after the shut-down cannot unmap this code.
    FreeLibraryAndExitThread(module, 0);
}

}  // namespace

Writer* StartWriter(const std::wstring& path, std::string header) {
    auto* writer = new (std::nothrow) Writer(path, std::move(header));
    if (writer == nullptr) {
        return nullptr;
    }
    DWORD error = ERROR_SUCCESS;
    if (!writer->wake_ ||
        !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&TraceWriterThread), &writer->module_)) {
        error = GetLastError();
    } else {
        writer->thread_.reset(CreateThread(nullptr, 0, &TraceWriterThread, writer, 0, nullptr));
        if (writer->thread_) {
            return writer;
        }
        error = GetLastError();
        FreeLibrary(writer->module_);
    }
    diag::Write(diag::Stream::Debugger,
                TraceRefusal(path, L"no thread to write it: " + SystemErrorText(error))
                    .append(L"\r\n")
                    .c_str());
    delete writer;
    return nullptr;
}

void Hand(Writer* writer, std::string line) {
    if (writer->givenUp_.load()) {
        return;
    }
    const ULONGLONG since = writer->writingSince_.load();
    if (since != 0 && GetTickCount64() - since > kLineWriteLimitMs) {
        GiveUp(writer, LimitText());
        return;
    }
    bool tooMany = false;
    AcquireSRWLockExclusive(&writer->lock_);
    if (writer->waitingBytes_ + line.size() > kWaitingLimit) {
        tooMany = true;
    } else {
        writer->waitingBytes_ += line.size();
        writer->waiting_.push_back(std::move(line));
    }
    ReleaseSRWLockExclusive(&writer->lock_);
    if (tooMany) {
        GiveUp(writer, L"cannot keep up with the camera");
        return;
    }
    SetEvent(writer->wake_.get());
}

void Finish(Writer* writer) {
    AcquireSRWLockExclusive(&writer->lock_);
    writer->finishing_ = true;
    ReleaseSRWLockExclusive(&writer->lock_);
    SetEvent(writer->wake_.get());
    if (WaitForSingleObject(writer->thread_.get(), kLineWriteLimitMs) != WAIT_OBJECT_0) {
        GiveUp(writer, L"could not be finished: its last lines " + LimitText());
        // A write to a file that hangs may be ended; the thread lets go of the writer when
        // its write returns, whenever that is.
        CancelSynchronousIo(writer->thread_.get());
    }
    Release(writer);
}

}  // namespace trace
