#include "CameraInterfaces.h"

#include "CameraInterfaceList.h"

namespace {

std::wstring InterfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data) {
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailW(set, data, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
        return std::wstring();
    }
    // DWORD-aligned storage for the record, whose path runs on past its fixed part.
    std::vector<DWORD> storage((required + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!SetupDiGetDeviceInterfaceDetailW(set, data, detail, required, nullptr, nullptr)) {
        return std::wstring();
    }
    return detail->DevicePath;
}

}  // namespace

bool ListCameraInterfaces(std::vector<std::wstring>* paths) {
    const UniqueDevInfo set = PresentCameraInterfaces();
    if (!set) {
        return false;
    }
    paths->clear();
    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof(data);
    for (DWORD i = 0;
         SetupDiEnumDeviceInterfaces(set.get(), nullptr, &kCameraInterfaceClass, i, &data); ++i) {
        paths->push_back(InterfacePath(set.get(), &data));
    }
    return true;
}
