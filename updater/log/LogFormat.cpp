#include "LogFormat.h"

namespace {

// Like printf's %0<width>d.
void AppendNumber(std::wstring& out, int value, std::size_t width) {
    const std::wstring digits = std::to_wstring(value);
    if (digits.size() < width) {
        out.append(width - digits.size(), L'0');
    }
    out += digits;
}

}  // namespace

std::wstring ComposeLogFilePath(const wchar_t* desktopFolder) {
    std::wstring path;
    if (desktopFolder != nullptr) {
        path = desktopFolder;
        path += L'\\';
    }
    path += kLogFileName;
    return path;
}

std::wstring FormatLogLine(const SYSTEMTIME& localTime, std::wstring_view text) {
    std::wstring line;
    line.reserve(text.size() + 32);
    line += L'[';
    AppendNumber(line, localTime.wYear, 1);
    line += L'/';
    AppendNumber(line, localTime.wMonth, 2);
    line += L'/';
    AppendNumber(line, localTime.wDay, 2);
    line += L' ';
    AppendNumber(line, localTime.wHour, 2);
    line += L':';
    AppendNumber(line, localTime.wMinute, 2);
    line += L':';
    AppendNumber(line, localTime.wSecond, 2);
    line += L'.';
    AppendNumber(line, localTime.wMilliseconds, 3);
    line += L"] ";
    line += text;
    line += L"\r\n";
    return line;
}

std::wstring_view OsBitnessWord(DWORD majorVersion, bool runsUnderWow64) {
    if (majorVersion < 6) {
        return L"";
    }
    return runsUnderWow64 ? L"64bit" : L"32bit";
}

std::wstring FormatOsDescription(DWORD majorVersion, DWORD minorVersion, DWORD buildNumber,
                                 std::wstring_view bitnessWord, std::wstring_view servicePack) {
    // %d semantics: the numbers read as signed, as the system's own formatting would show them.
    std::wstring description = L"Windows ";
    description += std::to_wstring(static_cast<int>(majorVersion));
    description += L'.';
    description += std::to_wstring(static_cast<int>(minorVersion));
    description += L'.';
    description += std::to_wstring(static_cast<int>(buildNumber));
    description += L' ';
    description += bitnessWord;
    description += L' ';
    description += servicePack;
    return description;
}
