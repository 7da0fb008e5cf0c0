// The debugger output of other programs, read as a debug viewer reads it (the DBWIN_BUFFER
// section and its two events), for as long as the object lives. One reader at a time in a
// session: a second one fails.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "UniqueAny.h"

namespace e2e {

class DebugOutputReader {
public:
    DebugOutputReader();  // starts reading; ok() tells whether it does
    ~DebugOutputReader();
    DebugOutputReader(const DebugOutputReader&) = delete;
    DebugOutputReader& operator=(const DebugOutputReader&) = delete;

    bool ok() const { return static_cast<bool>(thread_); }

    // Every string that process `processId` has written so far, in order.
    std::vector<std::string> LinesOf(DWORD processId) const;

private:
    static DWORD WINAPI Read(LPVOID self);

    UniqueHandle bufferReady_;
    UniqueHandle dataReady_;
    UniqueHandle section_;
    const char* view_ = nullptr;
    UniqueHandle stop_;
    UniqueHandle thread_;
    mutable std::mutex mutex_;
    std::vector<std::pair<DWORD, std::string>> lines_;
};

}  // namespace e2e
