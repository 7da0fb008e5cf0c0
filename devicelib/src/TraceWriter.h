// The writer of a session trace. Lines are handed over in memory and written by a thread of the
// writer's own, so a request never waits for the file and no lock of the library is held while
// the file is written: a slow target (a network share, a slow USB stick) cannot stall a write
// to the camera or a shut-down. The writer gives up, said once on the debugger output, when the
// file cannot be made or written, when one line takes longer than kLineWriteLimitMs, or when
// the lines waiting for it pass kWaitingLimit.
#pragma once

#include <windows.h>

#include <string>

namespace trace {

constexpr DWORD kLineWriteLimitMs = 3000;
constexpr size_t kWaitingLimit = 4u * 1024u * 1024u;  // bytes of lines not yet written

class Writer;

// A writer of a new session at the end of the file at `path` (a full path), whose first line
// is `header`. The file is opened by the writer's thread. Null, said, when no thread can run.
Writer* StartWriter(const std::wstring& path, std::string header);

// Never waits for the file; a line handed after the writer gave up is dropped.
void Hand(Writer* writer, std::string line);

// Ends the writer: what was handed is written, waiting no longer than kLineWriteLimitMs, and
// the file is closed. `writer` must not be used afterwards.
void Finish(Writer* writer);

}  // namespace trace
