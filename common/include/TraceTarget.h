// The file that TAVIK_TRACE names for the library's session trace, and whether a trace can be
// made there. Shared by the library, which writes the trace, and the programs, which tell their
// user why none can be made: the library itself can say so only on the debugger output, which a
// technician never sees. Header-only.
//
// A trace never destroys a file: a session is added at the end of a file that holds sessions
// already, and a file that holds anything else, or is not a file on a disk, is refused.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "ReservedDeviceName.h"
#include "SystemErrorText.h"
#include "UniqueAny.h"

inline constexpr wchar_t kTraceVariable[] = L"TAVIK_TRACE";
// How every trace file begins: the header line of its first session.
inline constexpr char kTraceFileStart[] = "{\"schemaVersion\":";

// TAVIK_TRACE whole, however long; empty when it is not set.
inline std::wstring ReadTraceVariable() {
    std::wstring value(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetEnvironmentVariableW(kTraceVariable, &value[0], static_cast<DWORD>(value.size()));
        if (length < value.size()) {
            value.resize(length);  // 0: not set
            return value;
        }
        value.resize(length);  // the size it needs, its terminating zero included
    }
}

// The line that says why no trace is made, for a person.
inline std::wstring TraceRefusal(const std::wstring& path, const std::wstring& reason) {
    return std::wstring(kTraceVariable) + L": no session trace is written to " + path + L": " +
           reason;
}

// Whether a full path names a file on a disk: C:\..., \\server\share\..., \\?\C:\... or
// \\?\UNC\server\share\..., where the share is not a pipe's or a mailslot's and the name is not
// a device's. \\.\ and any other \\?\ name a device.
inline bool NamesAFileOnADisk(const std::wstring& path) {
    const bool extended = path.compare(0, 4, L"\\\\?\\") == 0;
    const std::wstring rest = extended ? path.substr(4) : path;
    const bool drive = rest.size() >= 3 && rest[1] == L':' && rest[2] == L'\\';
    size_t server = std::wstring::npos;  // where a UNC path's server name begins
    if (extended && rest.size() >= 4 &&
        CompareStringOrdinal(rest.c_str(), 4, L"UNC\\", 4, TRUE) == CSTR_EQUAL) {
        server = 4;
    } else if (!extended && rest.compare(0, 2, L"\\\\") == 0 &&
               rest.compare(0, 4, L"\\\\.\\") != 0) {
        server = 2;
    }
    if (!drive && server == std::wstring::npos) {
        return false;
    }
    if (server != std::wstring::npos) {
        const size_t start = rest.find(L'\\', server);
        const std::wstring share =
            start == std::wstring::npos
                ? std::wstring()
                : rest.substr(start + 1, rest.find(L'\\', start + 1) - start - 1);
        if (CompareStringOrdinal(share.c_str(), -1, L"pipe", -1, TRUE) == CSTR_EQUAL ||
            CompareStringOrdinal(share.c_str(), -1, L"mailslot", -1, TRUE) == CSTR_EQUAL) {
            return false;
        }
    }
    return !IsReservedDeviceName(path.substr(path.find_last_of(L'\\') + 1));
}

// The full path of `variable`'s file, or empty with `*problem` set: one too long for a path, or
// not a file on a disk. Nothing is opened: opening a device or a pipe may already act on it.
inline std::wstring TraceFilePath(const std::wstring& variable, std::wstring* problem) {
    constexpr size_t kPathLimit = MAX_PATH - 1;  // without the \\?\ prefix, as the programs run
    const DWORD size = GetFullPathNameW(variable.c_str(), 0, nullptr, nullptr);
    std::wstring path(size, L'\0');
    const DWORD length =
        size == 0 ? 0 : GetFullPathNameW(variable.c_str(), size, &path[0], nullptr);
    if (length == 0 || length >= size) {
        const DWORD error = GetLastError();
        *problem = TraceRefusal(variable, SystemErrorText(error));
        return std::wstring();
    }
    path.resize(length);
    if (path.compare(0, 4, L"\\\\?\\") != 0 && path.size() > kPathLimit) {
        *problem = std::wstring(kTraceVariable) + L": no session trace is written: the file's " +
                   L"full path is " + std::to_wstring(path.size()) + L" characters long, more " +
                   L"than the " + std::to_wstring(kPathLimit) + L" a path may have";
        return std::wstring();
    }
    if (!NamesAFileOnADisk(path)) {
        *problem =
            TraceRefusal(path, L"it names a device, a pipe or a mailslot, not a file on a disk");
        return std::wstring();
    }
    return path;
}

// A trace file opened for a new session at its end: read access to look at what it holds,
// append-only access to write, so nothing in it is ever overwritten. Others may read it
// meanwhile, never write it.
struct TraceFile {
    UniqueHandle file;
    bool created = false;      // it did not exist before
    bool endsMidLine = false;  // an earlier session was cut off inside a line
    std::wstring problem;      // why it cannot be used; set when `file` is not
};

inline bool ReadAt(HANDLE file, LONGLONG offset, void* buffer, DWORD size) {
    LARGE_INTEGER at;
    at.QuadPart = offset;
    DWORD read = 0;
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
           ReadFile(file, buffer, size, &read, nullptr) && read == size;
}

inline TraceFile OpenTraceFile(const std::wstring& path) {
    TraceFile trace;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        trace.problem = TraceRefusal(path, L"it is a folder, not a file");
        return trace;
    }
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        trace.problem = TraceRefusal(
            path, error == ERROR_PATH_NOT_FOUND      ? L"its folder does not exist"
                  : error == ERROR_SHARING_VIOLATION ? L"another program is writing to it"
                                                     : SystemErrorText(error));
        return trace;
    }
    trace.created = GetLastError() != ERROR_ALREADY_EXISTS;
    LARGE_INTEGER size{};
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        trace.problem =
            TraceRefusal(path, L"it names a device, a pipe or a console, not a file on a disk");
        return trace;
    }
    if (!GetFileSizeEx(file.get(), &size)) {
        trace.problem = TraceRefusal(path, SystemErrorText(GetLastError()));
        return trace;
    }
    if (size.QuadPart > 0) {
        char start[sizeof(kTraceFileStart) - 1] = {};
        char last = '\n';
        if (!ReadAt(file.get(), 0, start, sizeof(start)) ||
            std::string(start, sizeof(start)) != kTraceFileStart) {
            trace.problem = TraceRefusal(path, L"it holds something other than session traces");
            return trace;
        }
        if (!ReadAt(file.get(), size.QuadPart - 1, &last, 1)) {
            trace.problem = TraceRefusal(path, SystemErrorText(GetLastError()));
            return trace;
        }
        trace.endsMidLine = last != '\n';
    }
    trace.file = std::move(file);
    return trace;
}

// For a program, before it starts the library: the line that tells its user why TAVIK_TRACE
// gets no trace, or empty when the variable is not set or a trace can be made. A file that the
// look made is removed again; the library makes it anew a moment later.
inline std::wstring TraceProblem() {
    const std::wstring variable = ReadTraceVariable();
    if (variable.empty()) {
        return std::wstring();
    }
    std::wstring problem;
    const std::wstring path = TraceFilePath(variable, &problem);
    if (path.empty()) {
        return problem;
    }
    TraceFile trace = OpenTraceFile(path);
    trace.file.reset();
    if (trace.created) {
        DeleteFileW(path.c_str());
    }
    return trace.problem;
}
