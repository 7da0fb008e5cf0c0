// The program's own notifications to its main dialog: WM_SYSCOMMAND, always posted, with a
// code whose low four bits are clear and which lies below the system's commands (0xF000 on).
#pragma once

#include <windows.h>

inline constexpr UINT SYSCMD_DEVICE_FOUND = 0x10;      // the library opened the camera
inline constexpr UINT SYSCMD_UPDATE_SUCCEEDED = 0x20;  // every found image was written
inline constexpr UINT SYSCMD_UPDATE_FAILED = 0x30;     // lParam: the error number to show

inline constexpr UINT kSysCommandCodeMask = 0xFFF0;

// Private messages the update thread sends to the dialog, so that what belongs to the dialog's
// thread (its timers, showing and enabling its controls) is done there.
inline constexpr UINT WM_APP_START_TIMER = WM_APP + 1;     // wParam: timer identifier
inline constexpr UINT WM_APP_STOP_TIMER = WM_APP + 2;      // wParam: timer identifier
inline constexpr UINT WM_APP_SHOW_CONTROL = WM_APP + 3;    // wParam: control ID, lParam: SW_*
inline constexpr UINT WM_APP_ENABLE_CONTROL = WM_APP + 4;  // wParam: control ID, lParam: BOOL
