// The program's own notifications to its main dialog: WM_SYSCOMMAND, always posted, with a
// code whose low four bits are clear and which lies below the system's commands (0xF000 on).
#pragma once

#include <windows.h>

inline constexpr UINT SYSCMD_DEVICE_FOUND = 0x10;      // the library opened the camera
inline constexpr UINT SYSCMD_UPDATE_SUCCEEDED = 0x20;  // every found image was written
inline constexpr UINT SYSCMD_UPDATE_FAILED = 0x30;     // lParam: the error number to show

inline constexpr UINT kSysCommandCodeMask = 0xFFF0;

// The update thread's doorbell: the dialog carries out what the worker queued
// (WorkerRequests.h). It carries nothing itself.
inline constexpr UINT WM_APP_WORKER_REQUEST = WM_APP + 1;
