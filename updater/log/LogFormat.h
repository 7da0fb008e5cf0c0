#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The log's texts, built from plain data so that every branch can be checked without the
// system calls that supply the data.

inline constexpr wchar_t kLogFileName[] = L"TAVIKUpdate.log";

// "<folder>\TAVIKUpdate.log", or the bare file name when the desktop folder is unknown
// (null), which the system then resolves against the working folder.
std::wstring ComposeLogFilePath(const wchar_t* desktopFolder);

// "[yyyy/mm/dd hh:mm:ss.mmm] text\r\n"; the text is taken whatever its length or content.
std::wstring FormatLogLine(const SYSTEMTIME& localTime, std::wstring_view text);

// Systems before major version 6 get no word at all.
std::wstring_view OsBitnessWord(DWORD majorVersion, bool runsUnderWow64);

// "Windows major.minor.build word servicePack".
std::wstring FormatOsDescription(DWORD majorVersion, DWORD minorVersion, DWORD buildNumber,
                                 std::wstring_view bitnessWord, std::wstring_view servicePack);
