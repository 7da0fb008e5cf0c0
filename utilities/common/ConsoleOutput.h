// Text out of a console program: to a console as it is, to a file or a pipe as UTF-8, so that
// scripts read the same bytes whatever the system's code page.
#pragma once

#include <string>
#include <string_view>

enum class OutputStream { Out, Error };

// Keeps standard output for this program's own text and points the process's standard output
// at standard error, so that what a library writes there cannot mix into a report a script
// reads (TAVIKUtilDll writes its device-open diagnostics to standard output).
void ReserveStandardOutput();

// False when the stream cannot be written (a closed pipe, say).
bool WriteText(OutputStream stream, std::wstring_view text);

// The same for a text that is UTF-8 already (what the JSON library makes).
bool WriteUtf8(OutputStream stream, std::string_view text);

// UTF-8 bytes of a UTF-16 text and back; malformed sequences become U+FFFD.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

// What --help says about it.
inline constexpr wchar_t kRedirectedOutputHelp[] =
    L"Output to a file or a pipe is UTF-8. To read it in cmd: chcp 65001, then type the\r\n"
    L"file. In PowerShell 5.1, before running the tool:\r\n"
    L"    [Console]::OutputEncoding = [Text.Encoding]::UTF8\r\n"
    L"and read a saved file with Get-Content -Encoding UTF8.\r\n";
