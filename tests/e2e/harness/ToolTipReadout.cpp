#include "ToolTipReadout.h"

#include <commctrl.h>

#include "ProcessWindows.h"
#include "RemoteMemory.h"
#include "WindowReadout.h"

namespace e2e {

namespace {

// The record of common controls version 6, which the program's manifest asks for.
static_assert(sizeof(TTTOOLINFOW) == 48, "TOOLINFOW must have its version 6 size");

// Larger than any tool text the program keeps (at most 30 characters).
constexpr size_t kTextCapacity = 1024;

}  // namespace

HWND ToolView::Subject() const {
    return (flags & TTF_IDISHWND) != 0 ? reinterpret_cast<HWND>(id) : window;
}

HWND FindToolTipControl(DWORD processId, HWND owner) {
    for (HWND window : TopLevelWindows(processId)) {
        if (ClassNameOf(window) == TOOLTIPS_CLASSW && GetWindow(window, GW_OWNER) == owner) {
            return window;
        }
    }
    return nullptr;
}

std::optional<std::vector<ToolView>> ToolsOf(HWND toolTip, HANDLE process) {
    const auto count = Send(toolTip, TTM_GETTOOLCOUNT, 0, 0);
    if (!count) {
        return std::nullopt;
    }
    // One block: the record, then the text buffer its lpszText points to.
    constexpr size_t kTextOffset = sizeof(TTTOOLINFOW);
    RemoteBlock block(process, kTextOffset + kTextCapacity * sizeof(wchar_t));
    if (!block.ok()) {
        return std::nullopt;
    }
    const std::wstring empty(kTextCapacity, L'\0');
    std::vector<ToolView> tools;
    for (LRESULT i = 0; i < *count; ++i) {
        TTTOOLINFOW record = {};
        record.cbSize = sizeof(record);
        record.lpszText = static_cast<LPWSTR>(block.at(kTextOffset));
        if (!block.Write(0, &record, sizeof(record)) ||
            !block.Write(kTextOffset, empty.data(), empty.size() * sizeof(wchar_t))) {
            return std::nullopt;
        }
        const auto listed = Send(toolTip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i),
                                 reinterpret_cast<LPARAM>(block.address()));
        if (!listed || *listed == 0 || !block.Read(0, &record, sizeof(record))) {
            return std::nullopt;
        }
        // Ask for the text by the tool's identity, into a cleared buffer.
        record.cbSize = sizeof(record);
        record.lpszText = static_cast<LPWSTR>(block.at(kTextOffset));
        if (!block.Write(0, &record, sizeof(record)) ||
            !block.Write(kTextOffset, empty.data(), empty.size() * sizeof(wchar_t)) ||
            !Send(toolTip, TTM_GETTEXTW, kTextCapacity,
                  reinterpret_cast<LPARAM>(block.address()))) {
            return std::nullopt;
        }
        std::wstring text(kTextCapacity, L'\0');
        if (!block.Read(kTextOffset, &text[0], kTextCapacity * sizeof(wchar_t))) {
            return std::nullopt;
        }
        text.resize(text.find(L'\0') == std::wstring::npos ? kTextCapacity - 1 : text.find(L'\0'));
        tools.push_back(ToolView{record.uFlags, record.hwnd, record.uId, text});
    }
    return tools;
}

}  // namespace e2e
