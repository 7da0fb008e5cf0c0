#include "Transport.h"

#include <setupapi.h>

#include <cstdlib>
#include <cwchar>

#include "CameraInterfaceList.h"
#include "Diagnostics.h"
#include "Trace.h"
#include "UniqueAny.h"

const GUID GUID_DEVINTERFACE_CAMERA = kCameraInterfaceClass;

namespace {

const wchar_t kNoDevInfo[] = L"No HDEVINFO available for this GUID\n";
const wchar_t kNoInterface[] = L"No SP_INTERFACE_DEVICE_DATA available for this GUID instance\n";

bool EnumCameraInterface(HDEVINFO set, DWORD index, SP_DEVICE_INTERFACE_DATA* data) {
    *data = SP_DEVICE_INTERFACE_DATA{};
    data->cbSize = sizeof(*data);
    return SetupDiEnumDeviceInterfaces(set, nullptr, &GUID_DEVINTERFACE_CAMERA, index, data) !=
           FALSE;
}

}  // namespace

int32_t CountDeviceInterfaces() {
    UniqueDevInfo set = PresentCameraInterfaces();
    if (!set) {
        diag::Write(diag::Stream::Debugger, kNoDevInfo);
        return 0;
    }
    int32_t count = 0;
    SP_DEVICE_INTERFACE_DATA data;
    while (EnumCameraInterface(set.get(), static_cast<DWORD>(count), &data)) {
        ++count;
    }
    return count;
}

HANDLE OpenDeviceInterface(DWORD* refusal) {
    if (refusal != nullptr) {
        *refusal = 0;
    }
    UniqueDevInfo set = PresentCameraInterfaces();
    if (!set) {
        diag::Write(diag::Stream::StandardOutput, kNoDevInfo);
        return INVALID_HANDLE_VALUE;
    }
    SP_DEVICE_INTERFACE_DATA data;
    if (!EnumCameraInterface(set.get(), 0, &data)) {
        diag::Write(diag::Stream::StandardOutput, kNoInterface);
        return INVALID_HANDLE_VALUE;
    }

    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailW(set.get(), &data, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
        return INVALID_HANDLE_VALUE;
    }
    UniqueBlock buffer(std::calloc(1, required));
    if (!buffer) {
        return INVALID_HANDLE_VALUE;
    }
    auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.get());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);  // the fixed part only
    if (!SetupDiGetDeviceInterfaceDetailW(set.get(), &data, detail, required, nullptr, nullptr)) {
        return INVALID_HANDLE_VALUE;
    }

    diag::Write(diag::Stream::StandardOutput,
                diag::Format(L"Symbolic link is %ls\n", detail->DevicePath).c_str());
    trace::Camera("found", detail->DevicePath);

    HANDLE device = CreateFileW(detail->DevicePath, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        wchar_t line[64];
        std::swprintf(line, 64, L"Failed to open device!(%08X)\r\n", static_cast<unsigned>(error));
        diag::Write(diag::Stream::Debugger, line);
        trace::Camera("open-failed", nullptr, error);
        if (refusal != nullptr) {
            *refusal = error;
        }
        SetLastError(error);
    } else {
        trace::Camera("opened", nullptr);
    }
    return device;
}

BOOL SendDeviceRequest(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output,
                       DWORD outputSize, DWORD* bytesReturned) {
    DWORD transferred = 0;
    if (bytesReturned == nullptr) {
        bytesReturned = &transferred;
    }
    // Each request has its own event, so requests from several threads never wake each other.
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event) {
        return FALSE;  // no request made; the error is CreateEventW's
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();

    BOOL ok = DeviceIoControl(device, code, const_cast<void*>(input), inputSize, output, outputSize,
                              bytesReturned, &overlapped);
    if (!ok && GetLastError() == ERROR_IO_PENDING) {
        // The driver still owns the buffers and the overlapped record: wait for it to finish.
        ok = GetOverlappedResult(device, &overlapped, bytesReturned, TRUE);
    }
    return ok;  // the event's release keeps the last error (see UniqueAny::reset)
}
