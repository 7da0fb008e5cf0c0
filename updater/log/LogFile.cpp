#include "LogFile.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <exception>
#include <limits>

#include "LogFormat.h"
#include "UniqueAny.h"

namespace {

using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);

// Looked up on every call: systems before XP SP2 lack the function.
bool RunsUnderWow64() {
    HMODULE kernel32 = ::GetModuleHandleW(L"kernel32");
    if (kernel32 == nullptr) {
        return false;
    }
    // Through void(*)(void), the one function type every compiler converts from and to silently.
    const auto isWow64Process = reinterpret_cast<IsWow64ProcessFunction>(
        reinterpret_cast<void (*)(void)>(::GetProcAddress(kernel32, "IsWow64Process")));
    if (isWow64Process == nullptr) {
        return false;
    }
    BOOL wow64 = FALSE;
    return isWow64Process(::GetCurrentProcess(), &wow64) != FALSE && wow64 != FALSE;
}

bool ReadSystemVersion(OSVERSIONINFOW& info) {
    info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#ifdef _MSC_VER
#pragma warning(push)
#pragma warning(disable : 4996)  // deprecated, but its answer is what the log records
#endif
    return ::GetVersionExW(&info) != FALSE;
#ifdef _MSC_VER
#pragma warning(pop)
#endif
}

// Moves to the end of the file; reports whether the file was empty there.
bool SeekToEnd(HANDLE file, bool& wasEmpty) {
    // Both calls report failure with a value that is also a valid answer, and CreateFileW
    // leaves ERROR_ALREADY_EXISTS behind: only an error set by the call itself counts.
    DWORD sizeHigh = 0;
    ::SetLastError(NO_ERROR);
    const DWORD sizeLow = ::GetFileSize(file, &sizeHigh);
    if (sizeLow == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) {
        return false;
    }
    LONG positionHigh = static_cast<LONG>(sizeHigh);
    ::SetLastError(NO_ERROR);
    const DWORD positionLow =
        ::SetFilePointer(file, static_cast<LONG>(sizeLow), &positionHigh, FILE_BEGIN);
    if (positionLow == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) {
        return false;
    }
    wasEmpty = positionLow == 0 && positionHigh == 0;
    return true;
}

}  // namespace

void GetLogFilePath(std::wstring& path) {
    path.clear();
    wchar_t desktop[MAX_PATH] = {};
    const bool found =
        ::SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE) != FALSE;
    path = ComposeLogFilePath(found ? desktop : nullptr);
}

void GetOsDescription(std::wstring& description) {
    OSVERSIONINFOW info;
    if (!ReadSystemVersion(info)) {
        // Reads as "Windows 0.0.0  ": nothing is known, not even whether to ask about WOW64.
        info = {};
    }
    const wchar_t* servicePack = info.szCSDVersion;
    const wchar_t* servicePackEnd =
        std::find(servicePack, servicePack + ARRAYSIZE(info.szCSDVersion), L'\0');
    const bool wow64 = info.dwMajorVersion >= 6 && RunsUnderWow64();
    description = FormatOsDescription(
        info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
        OsBitnessWord(info.dwMajorVersion, wow64),
        std::wstring_view(servicePack, static_cast<std::size_t>(servicePackEnd - servicePack)));
}

namespace {

// The line is built before the file is touched: one that cannot be built leaves no trace.
bool BuildLine(std::wstring_view text, std::wstring& line) noexcept {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    try {
        line = FormatLogLine(now, text);
        return true;
    } catch (const std::exception&) {  // bad_alloc, or length_error past the largest string
        return false;
    }
}

}  // namespace

void WriteLog(const std::wstring& path, std::wstring_view text) noexcept {
    std::wstring line;
    // One WriteFile takes at most 4 GiB; a 32-bit process cannot hold such a line anyway.
    if (!BuildLine(text, line) ||
        line.size() > std::numeric_limits<DWORD>::max() / sizeof(wchar_t)) {
        return;
    }
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return;
    }
    bool wasEmpty = false;
    // Without a known end, writing could overwrite earlier lines: drop this one instead.
    if (!SeekToEnd(file.get(), wasEmpty)) {
        return;
    }
    DWORD written = 0;
    if (wasEmpty) {
        static constexpr BYTE kByteOrderMark[] = {0xFF, 0xFE};
        ::WriteFile(file.get(), kByteOrderMark, sizeof(kByteOrderMark), &written, nullptr);
    }
    // A line is far shorter than 4 GiB.
    const DWORD bytes = static_cast<DWORD>(line.size()) * static_cast<DWORD>(sizeof(wchar_t));
    ::WriteFile(file.get(), line.data(), bytes, &written, nullptr);
}
