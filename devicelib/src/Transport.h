// The library's only contact with the camera: its device interface, and one I/O control
// request at a time carried to the driver and waited for to the end.
#pragma once

#include <windows.h>

#include <cstdint>

// {99A46FB3-6E59-4E87-90DA-F7D0C1803DFB}
extern const GUID GUID_DEVINTERFACE_CAMERA;

// Buffered, any access, device type 0x22; the function numbers start at 0.
constexpr DWORD RequestCode(uint32_t function) {
    return 0x00220000u + 4u * function;
}

// Function numbers of the driver's requests.
enum RequestFunction : uint32_t {
    kSetTimeOutInfo = 0,
    kGetCtrlCurEvent = 1,
    kGetCtrlSignalEvent = 2,
    kGetTransErrorEvent = 3,
    kGetImageRecvEvent = 4,
    kGetSizeErrorEvent = 5,
    kGetCtrlSupport = 6,
    kGetCtrlAttribute = 7,
    kGetCtrlCurrent = 8,
    kSetCtrlCurrent = 9,
    kGetImageSupport = 10,
    kGetImageAttribute = 11,
    kGetImageCurrent = 12,
    kGetImageTransfer = 13,
    kSetImageCurrent = 14,
    kGetTrans = 15,
    kSetTrans = 16,
    kGetSystemSupport = 17,
    kGetSystemDataSize = 18,
    kGetSystemData = 19,
    kSetSystemData = 20,
    kGetFrame = 21,
    kGetBufferTable = 22,
    kGetRequest = 23,
    kSetRequest = 24,
    kGetLastError = 25,
    kGetVersion = 26,
};

// Number of camera interfaces present now; 0 when none, or when the list can't be had.
int32_t CountDeviceInterfaces();

// An overlapped handle to the first present camera interface, or INVALID_HANDLE_VALUE. Where
// the camera is there but its open fails, `refusal` (when given) gets the open's error, else 0.
HANDLE OpenDeviceInterface(DWORD* refusal = nullptr);

// One request, waited for without a time limit. Non-zero when it completed successfully; after
// zero, GetLastError() tells why. `bytesReturned` may be null.
BOOL SendDeviceRequest(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output,
                       DWORD outputSize, DWORD* bytesReturned);
