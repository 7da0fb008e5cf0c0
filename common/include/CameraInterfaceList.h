// The cameras the system lists: the device-interface class that every camera's driver
// registers (GUID_DEVINTERFACE_CAMERA) and the list of those present, as the library looks for
// the camera and the tools count the cameras. Header-only; link setupapi.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include "UniqueAny.h"

// {99A46FB3-6E59-4E87-90DA-F7D0C1803DFB}
inline constexpr GUID kCameraInterfaceClass = {
    0x99A46FB3, 0x6E59, 0x4E87, {0x90, 0xDA, 0xF7, 0xD0, 0xC1, 0x80, 0x3D, 0xFB}};

struct DevInfoTraits {
    using Type = HDEVINFO;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { SetupDiDestroyDeviceInfoList(h); }
};
using UniqueDevInfo = UniqueAny<DevInfoTraits>;

// The camera interfaces present now, in the order the system lists them; empty when the list
// cannot be had.
inline UniqueDevInfo PresentCameraInterfaces() {
    return UniqueDevInfo(SetupDiGetClassDevsW(&kCameraInterfaceClass, nullptr, nullptr,
                                              DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
}
