// Where the library's diagnostic lines go. In the product a line goes to the debugger output or
// to the process's standard output; a test installs a sink of its own and reads them back.
#pragma once

#include <string>

namespace diag {

enum class Stream {
    Debugger,        // OutputDebugStringW
    StandardOutput,  // the process's standard output handle
};

using Sink = void (*)(Stream stream, const wchar_t* text);

void Write(Stream stream, const wchar_t* text);

// Formats with the C library's wide printf rules; the result is as long as it needs to be.
std::wstring Format(const wchar_t* format, ...);

// Installs a sink and returns the previous one; null restores the product's own.
Sink SetSink(Sink sink);

}  // namespace diag
