// The tools of another process's tool-tip control, read through records placed in that
// process: TTM_ENUMTOOLSW and TTM_GETTEXTW take pointers that the control uses as they are.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct ToolView {
    UINT flags = 0;
    HWND window = nullptr;  // the record's hwnd
    UINT_PTR id = 0;        // the record's uId
    std::wstring text;

    // The window the tool stands for: uId itself when TTF_IDISHWND is set, else hwnd.
    HWND Subject() const;
};

// The process's top-level "tooltips_class32" window owned by `owner`, or null.
HWND FindToolTipControl(DWORD processId, HWND owner);

std::optional<std::vector<ToolView>> ToolsOf(HWND toolTip, HANDLE process);

}  // namespace e2e
