// The updater's log on the desktop: where it is, its bytes, and its lines taken apart.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// "<desktop folder>\TAVIKUpdate.log", the desktop folder as CSIDL_DESKTOPDIRECTORY gives it;
// empty when the folder is unknown.
std::wstring DesktopLogPath();

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
bool FileExists(const std::wstring& path);
// Removes the file; true also when there was none.
bool RemoveFile(const std::wstring& path);

struct LogLine {
    SYSTEMTIME stamp = {};  // wYear to wMilliseconds; the other fields stay 0
    std::wstring text;
};

struct ParsedLog {
    bool ok = false;
    std::string problem;  // what made it not ok, for the failure message
    std::vector<LogLine> lines;
};

// The log's format: FF FE, then UTF-16LE lines "[yyyy/mm/dd hh:mm:ss.mmm] text" each ending in
// CR LF. A text that holds CR LF itself cannot be told apart and makes the parse fail.
ParsedLog ParseLog(const std::vector<uint8_t>& bytes);

// The texts of the lines, without their stamps.
std::vector<std::wstring> TextsOf(const ParsedLog& log);

}  // namespace e2e
