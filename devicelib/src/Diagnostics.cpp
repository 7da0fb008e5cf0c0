#include "Diagnostics.h"

#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <cwchar>
#include <vector>

namespace diag {
namespace {

void WriteStandardOutput(const wchar_t* text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        return;
    }
    const int length = static_cast<int>(wcslen(text));
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text, static_cast<DWORD>(length), &written, nullptr);
        return;
    }
    // A pipe or file gets the text in the system's code page, as a console program's printf
    // would write it.
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return;
    }
    std::vector<char> narrow(static_cast<size_t>(bytes));
    WideCharToMultiByte(CP_ACP, 0, text, length, narrow.data(), bytes, nullptr, nullptr);
    WriteFile(out, narrow.data(), static_cast<DWORD>(bytes), &written, nullptr);
}

void ProductSink(Stream stream, const wchar_t* text) {
    if (stream == Stream::Debugger) {
        OutputDebugStringW(text);
    } else {
        WriteStandardOutput(text);
    }
}

std::atomic<Sink> g_sink{&ProductSink};

}  // namespace

void Write(Stream stream, const wchar_t* text) {
    g_sink.load()(stream, text);
}

std::wstring Format(const wchar_t* format, ...) {
    // Wide printf reports only "too small", never the size it needs: grow until it fits.
    std::wstring text(128, L'\0');
    for (;;) {
        va_list args;
        va_start(args, format);
        const int length = std::vswprintf(&text[0], text.size(), format, args);
        va_end(args);
        if (length >= 0) {
            text.resize(static_cast<size_t>(length));
            return text;
        }
        if (text.size() >= (1u << 24)) {
            return std::wstring();  // a malformed format, not a long text
        }
        text.resize(text.size() * 2);
    }
}

Sink SetSink(Sink sink) {
    return g_sink.exchange(sink ? sink : &ProductSink);
}

}  // namespace diag
