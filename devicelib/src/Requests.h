// Requests shared by the exported functions and the connection threads.
#pragma once

#include <windows.h>

#include <cstdint>

#include "TAVIKUtilDll.h"
#include "Transport.h"

// One request on `device` with the library's success rule: the request succeeded, or it failed
// while the thread's system error value is 0. While an update writes the camera from another
// thread or process it fails at once with ERROR_BUSY, and the driver never sees it.
bool SendRequest(HANDLE device, RequestFunction function, const void* input, DWORD inputSize,
                 void* output, DWORD outputSize, DWORD* bytesReturned = nullptr);

// The set-control request for `length` value bytes; 0 without a request when its buffer can't
// be had.
bool SetControlValue(HANDLE device, const CtrlValueRecord& value, uint32_t length);

// The library's own writes of control 0x3E: 0 when the camera has just been opened, 1 before it
// is closed.
constexpr uint8_t kConnectionControl = 0x3E;
bool WriteConnectionControl(HANDLE device, uint8_t value);
