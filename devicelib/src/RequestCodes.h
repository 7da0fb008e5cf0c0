// The driver's request codes, a wire format: one buffered I/O control code per function.
#pragma once

#include <windows.h>

#include <cstdint>

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
