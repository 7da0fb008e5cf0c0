// The top-level windows of another process: its dialogs, message boxes and tool-tip control.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

std::vector<HWND> TopLevelWindows(DWORD processId);

std::wstring ClassNameOf(HWND window);

// The first top-level window of the process with this class and (unless null) this caption,
// or null. The caption is read with WM_GETTEXT and compared whole.
HWND FindTopLevel(DWORD processId, const wchar_t* className, const wchar_t* caption);

// Visible top-level windows of the process other than `except`.
std::vector<HWND> OtherVisibleWindows(DWORD processId, HWND except);

}  // namespace e2e
