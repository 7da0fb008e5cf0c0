#include "DesktopLog.h"

#include <shlobj.h>

#include "UniqueAny.h"

namespace e2e {

std::wstring DesktopLogPath() {
    wchar_t folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_DESKTOPDIRECTORY, FALSE)) {
        return {};
    }
    return std::wstring(folder) + L"\\TAVIKUpdate.log";
}

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::wstring& path) {
    // The updater opens the log sharing reading and writing, so it may be read while it runs.
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[16384];
    DWORD got = 0;
    while (ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr)) {
        if (got == 0) {
            return bytes;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return std::nullopt;
}

bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    DWORD written = 0;
    return bytes.empty() || (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                       &written, nullptr) &&
                             written == bytes.size());
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFile(const std::wstring& path) {
    return DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

namespace {

// Reads exactly `digits` decimal digits at `at` (or, with `digits` 0, one or more).
bool ReadNumber(const std::wstring& line, size_t* at, size_t digits, WORD* value) {
    size_t count = 0;
    unsigned number = 0;
    while (*at < line.size() && line[*at] >= L'0' && line[*at] <= L'9' &&
           (digits == 0 || count < digits) && count < 5) {
        number = number * 10 + static_cast<unsigned>(line[*at] - L'0');
        ++*at;
        ++count;
    }
    if (count == 0 || (digits != 0 && count != digits) || number > 0xFFFF) {
        return false;
    }
    *value = static_cast<WORD>(number);
    return true;
}

bool Expect(const std::wstring& line, size_t* at, wchar_t c) {
    if (*at >= line.size() || line[*at] != c) {
        return false;
    }
    ++*at;
    return true;
}

bool ParseLine(const std::wstring& line, LogLine* out) {
    size_t at = 0;
    SYSTEMTIME& t = out->stamp;
    if (!(Expect(line, &at, L'[') && ReadNumber(line, &at, 0, &t.wYear) &&
          Expect(line, &at, L'/') && ReadNumber(line, &at, 2, &t.wMonth) &&
          Expect(line, &at, L'/') && ReadNumber(line, &at, 2, &t.wDay) && Expect(line, &at, L' ') &&
          ReadNumber(line, &at, 2, &t.wHour) && Expect(line, &at, L':') &&
          ReadNumber(line, &at, 2, &t.wMinute) && Expect(line, &at, L':') &&
          ReadNumber(line, &at, 2, &t.wSecond) && Expect(line, &at, L'.') &&
          ReadNumber(line, &at, 3, &t.wMilliseconds) && Expect(line, &at, L']') &&
          Expect(line, &at, L' '))) {
        return false;
    }
    if (t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 || t.wDay > 31 || t.wHour > 23 ||
        t.wMinute > 59 || t.wSecond > 59) {
        return false;
    }
    out->text = line.substr(at);
    return true;
}

}  // namespace

ParsedLog ParseLog(const std::vector<uint8_t>& bytes) {
    ParsedLog log;
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) {
        log.problem = "no byte-order mark FF FE";
        return log;
    }
    if (bytes.size() % 2 != 0) {
        log.problem = "odd number of bytes";
        return log;
    }
    std::wstring text;
    for (size_t i = 2; i < bytes.size(); i += 2) {
        text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            log.problem = "last line without CR LF";
            return log;
        }
        LogLine line;
        if (!ParseLine(text.substr(start, end - start), &line)) {
            log.problem = "line " + std::to_string(log.lines.size() + 1) + " has no valid stamp";
            return log;
        }
        log.lines.push_back(line);
        start = end + 2;
    }
    log.ok = true;
    return log;
}

std::vector<std::wstring> TextsOf(const ParsedLog& log) {
    std::vector<std::wstring> texts;
    for (const auto& line : log.lines) {
        texts.push_back(line.text);
    }
    return texts;
}

}  // namespace e2e
