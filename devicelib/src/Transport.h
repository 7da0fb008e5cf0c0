// The library's only contact with the camera: its device interface, and one I/O control
// request at a time carried to the driver and waited for to the end.
#pragma once

#include <windows.h>

#include <cstdint>

#include "RequestCodes.h"

// {99A46FB3-6E59-4E87-90DA-F7D0C1803DFB}
extern const GUID GUID_DEVINTERFACE_CAMERA;

// Number of camera interfaces present now; 0 when none, or when the list can't be had.
int32_t CountDeviceInterfaces();

// An overlapped handle to the first present camera interface, or INVALID_HANDLE_VALUE. Where
// the camera is there but its open fails, `refusal` (when given) gets the open's error, else 0.
HANDLE OpenDeviceInterface(DWORD* refusal = nullptr);

// One request, waited for without a time limit. Non-zero when it completed successfully; after
// zero, GetLastError() tells why. `bytesReturned` may be null.
BOOL SendDeviceRequest(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output,
                       DWORD outputSize, DWORD* bytesReturned);
