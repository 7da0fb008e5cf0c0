// Reads back the library's diagnostic lines: installs a sink for the lifetime of the object.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Diagnostics.h"

class DiagnosticsCapture {
public:
    DiagnosticsCapture();
    ~DiagnosticsCapture();
    DiagnosticsCapture(const DiagnosticsCapture&) = delete;
    DiagnosticsCapture& operator=(const DiagnosticsCapture&) = delete;

    std::vector<std::wstring> Lines(diag::Stream stream) const;
    size_t Count(diag::Stream stream, const std::wstring& line) const;
    // Waits until `line` has been written `times` times; false after `timeoutMs`, widened by the
    // time scale.
    bool WaitFor(diag::Stream stream, const std::wstring& line, size_t times = 1,
                 DWORD timeoutMs = 5000) const;
    void Clear();

private:
    static void Sink(diag::Stream stream, const wchar_t* text);
    diag::Sink previous_;
};
