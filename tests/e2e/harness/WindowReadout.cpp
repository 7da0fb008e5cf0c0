#include "WindowReadout.h"

#include <commctrl.h>

#include "RemoteMemory.h"
#include "TimeScale.h"

namespace e2e {

std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL,
                            tavik::test::Bounded(kSendTimeoutMs), &result) == 0) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageW(window, message, wParam, lParam) != FALSE;
}

bool RoundTrip(HWND window) {
    return Send(window, WM_NULL, 0, 0).has_value();
}

std::optional<std::wstring> TextOf(HWND window) {
    const auto length = Send(window, WM_GETTEXTLENGTH, 0, 0);
    if (!length || *length < 0) {
        return std::nullopt;
    }
    // WM_GETTEXTLENGTH may overstate, never understate; the copy's result is the true length.
    std::wstring text(static_cast<size_t>(*length) + 1, L'\0');
    const auto copied = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    if (!copied || *copied < 0 || static_cast<size_t>(*copied) >= text.size()) {
        return std::nullopt;
    }
    text.resize(static_cast<size_t>(*copied));
    return text;
}

bool IsVisible(HWND window) {
    return IsWindowVisible(window) != FALSE;
}

bool IsEnabled(HWND window) {
    return IsWindowEnabled(window) != FALSE;
}

std::optional<std::vector<std::wstring>> ListLines(HWND listBox) {
    const auto count = Send(listBox, LB_GETCOUNT, 0, 0);
    if (!count || *count == LB_ERR) {
        return std::nullopt;
    }
    std::vector<std::wstring> lines;
    for (LRESULT i = 0; i < *count; ++i) {
        const auto length = Send(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (!length || *length == LB_ERR) {
            return std::nullopt;
        }
        std::wstring line(static_cast<size_t>(*length) + 1, L'\0');
        const auto copied =
            Send(listBox, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&line[0]));
        if (!copied || *copied == LB_ERR || *copied > *length) {
            return std::nullopt;
        }
        line.resize(static_cast<size_t>(*copied));
        lines.push_back(line);
    }
    return lines;
}

std::optional<int> ProgressPosition(HWND progress) {
    const auto position = Send(progress, PBM_GETPOS, 0, 0);
    if (!position) {
        return std::nullopt;
    }
    return static_cast<int>(*position);
}

std::optional<ProgressRange> ProgressRangeOf(HWND progress, HANDLE process) {
    RemoteBlock block(process, sizeof(PBRANGE));
    const PBRANGE poison = {-0x5A5A5A5A, -0x5A5A5A5A};
    if (!block.Write(0, &poison, sizeof(poison)) ||
        !Send(progress, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(block.address()))) {
        return std::nullopt;
    }
    PBRANGE range = {};
    if (!block.Read(0, &range, sizeof(range))) {
        return std::nullopt;
    }
    if (range.iLow == poison.iLow && range.iHigh == poison.iHigh) {
        return std::nullopt;  // the control never filled it in
    }
    return ProgressRange{range.iLow, range.iHigh};
}

bool Click(HWND button, Delivery delivery) {
    if (delivery == Delivery::Posted) {
        return Post(button, BM_CLICK, 0, 0);
    }
    return Send(button, BM_CLICK, 0, 0).has_value();
}

}  // namespace e2e
