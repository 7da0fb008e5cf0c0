// Reading and driving the controls of another process's windows. Every sent message has a
// time-out, so a hung program fails a case instead of hanging it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace e2e {

constexpr UINT kSendTimeoutMs = 5000;

// SendMessageTimeoutW with kSendTimeoutMs, widened by the host's time scale; empty when it
// timed out or failed.
std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// True once the window's thread has taken a sent message, which it does only between its
// handlers (or inside a modal loop): whatever handler ran when this was called has returned.
bool RoundTrip(HWND window);

std::optional<std::wstring> TextOf(HWND window);  // WM_GETTEXTLENGTH, WM_GETTEXT
bool IsVisible(HWND window);
bool IsEnabled(HWND window);

// LB_GETCOUNT, LB_GETTEXTLEN and LB_GETTEXT line by line.
std::optional<std::vector<std::wstring>> ListLines(HWND listBox);

struct ProgressRange {
    int low = 0;
    int high = 0;
    bool operator==(const ProgressRange& other) const {
        return low == other.low && high == other.high;
    }
};

std::optional<int> ProgressPosition(HWND progress);
// PBM_GETRANGE into a PBRANGE placed in `process`, the owner of the control.
std::optional<ProgressRange> ProgressRangeOf(HWND progress, HANDLE process);

enum class Delivery {
    Sent,    // returns once the click's handler has returned
    Posted,  // returns at once: for a handler that opens a message box
};
bool Click(HWND button, Delivery delivery);

}  // namespace e2e
