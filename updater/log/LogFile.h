#pragma once

#include <string>
#include <string_view>

// The run's log: "TAVIKUpdate.log" on the user's desktop, UTF-16LE text with a byte-order mark.

// Empties `path`, then sets it to the log file's full path.
void GetLogFilePath(std::wstring& path);

// Sets `description` to "Windows major.minor.build word servicePack".
void GetOsDescription(std::wstring& description);

// Appends one time-stamped line. The file is opened and closed for this line alone, so the
// line is on disk when the call returns; a line that cannot be built (no memory for it) or
// written is lost silently. Never fails: its callers, the update thread among them, go on.
void WriteLog(const std::wstring& path, std::wstring_view text) noexcept;
