#include "DebugOutput.h"

#include <cstring>

namespace e2e {

namespace {

// The section: the writer's process ID, then its string, NUL-terminated.
constexpr DWORD kSectionSize = 4096;

}  // namespace

DebugOutputReader::DebugOutputReader() {
    bufferReady_.reset(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY"));
    if (!bufferReady_ || GetLastError() == ERROR_ALREADY_EXISTS) {
        return;  // another reader has it
    }
    dataReady_.reset(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY"));
    section_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      kSectionSize, L"DBWIN_BUFFER"));
    stop_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!dataReady_ || !section_ || !stop_) {
        return;
    }
    view_ = static_cast<const char*>(MapViewOfFile(section_.get(), FILE_MAP_READ, 0, 0, 0));
    if (view_ == nullptr) {
        return;
    }
    thread_.reset(CreateThread(nullptr, 0, &DebugOutputReader::Read, this, 0, nullptr));
}

DebugOutputReader::~DebugOutputReader() {
    if (thread_) {
        SetEvent(stop_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
    }
    if (view_ != nullptr) {
        UnmapViewOfFile(view_);
    }
}

std::vector<std::string> DebugOutputReader::LinesOf(DWORD processId) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> lines;
    for (const auto& line : lines_) {
        if (line.first == processId) {
            lines.push_back(line.second);
        }
    }
    return lines;
}

DWORD WINAPI DebugOutputReader::Read(LPVOID parameter) {
    auto* self = static_cast<DebugOutputReader*>(parameter);
    const HANDLE waits[] = {self->stop_.get(), self->dataReady_.get()};
    for (;;) {
        SetEvent(self->bufferReady_.get());  // a writer may fill the section
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
            return 0;
        }
        DWORD processId = 0;
        std::memcpy(&processId, self->view_, sizeof(processId));
        const char* text = self->view_ + sizeof(processId);
        const std::string line(text, strnlen(text, kSectionSize - sizeof(processId)));
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->lines_.emplace_back(processId, line);
    }
}

}  // namespace e2e
