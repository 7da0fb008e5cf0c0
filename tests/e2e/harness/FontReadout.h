// The fonts of another process's windows. A font handle means nothing outside its process, and
// Wine passes no WM_GETFONT between processes: a small library of ours (e2e_font_probe.dll,
// beside the test program) is loaded into the process, and its functions run there on threads
// of their own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

namespace e2e {

class FontReadout {
public:
    // `process` needs the access CreateProcessW gives its creator.
    explicit FontReadout(HANDLE process);
    ~FontReadout();
    FontReadout(const FontReadout&) = delete;
    FontReadout& operator=(const FontReadout&) = delete;

    bool ok() const { return remote_ != 0; }

    // The window's font as a handle of its process (equal handles: one font); 0: none.
    std::optional<uint32_t> FontOf(HWND window) const;
    // Its weight: 400 normal, 700 bold; 0: no font.
    std::optional<uint32_t> WeightOf(HWND window) const;

private:
    std::optional<uint32_t> Call(const char* function, const void* argument) const;

    HANDLE process_;
    HMODULE local_ = nullptr;  // the same library here, for where its functions lie
    uintptr_t remote_ = 0;     // where it was loaded there
};

}  // namespace e2e
