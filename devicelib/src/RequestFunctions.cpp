// The request functions: each turns one call into exactly one request to the camera's driver.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "CameraWriteMark.h"
#include "LibraryState.h"
#include "RequestRecords.h"
#include "Requests.h"
#include "TAVIKUtilDll.h"
#include "Trace.h"
#include "Transport.h"
#include "UniqueAny.h"

namespace {

// A caller's slip (a null record) fails the call instead of the process.
bool InvalidArgument() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

// Until the camera is open every request function fails without contacting the driver, and
// says why to a caller that asks GetLastError: no camera, or the error that refused the open of
// the one that is there.
HANDLE ConnectedDevice() {
    const HANDLE device = theApp.m_hDevice.load();
    if (device == INVALID_HANDLE_VALUE) {
        const DWORD refusal = theApp.m_dwOpenError.load();
        SetLastError(refusal != 0 ? refusal : ERROR_DEVICE_NOT_CONNECTED);
    }
    return device;
}

bool Request(RequestFunction function, const void* input, DWORD inputSize, void* output,
             DWORD outputSize, DWORD* bytesReturned = nullptr) {
    const HANDLE device = ConnectedDevice();
    if (device == INVALID_HANDLE_VALUE) {
        return false;
    }
    return SendRequest(device, function, input, inputSize, output, outputSize, bytesReturned);
}

// Event queries clear their record first, even without a camera, and succeed only when the
// driver reports an event in byte 0.
template <typename Record>
bool EventQuery(RequestFunction function, Record* record) {
    if (record == nullptr) {
        return InvalidArgument();
    }
    std::memset(record, 0, sizeof(Record));
    return Request(function, nullptr, 0, record, sizeof(Record)) && record->present != 0;
}

bool Receive(RequestFunction function, void* output, DWORD outputSize) {
    if (output == nullptr) {
        return InvalidArgument();
    }
    return Request(function, nullptr, 0, output, outputSize);
}

bool Exchange(RequestFunction function, const void* input, DWORD inputSize, void* output,
              DWORD outputSize) {
    if (input == nullptr || output == nullptr) {
        return InvalidArgument();
    }
    return Request(function, input, inputSize, output, outputSize);
}

UniqueBlock AllocateCleared(uint64_t size) {
    if (size > MAXDWORD) {
        return UniqueBlock();
    }
    return UniqueBlock(std::calloc(1, static_cast<size_t>(size)));
}

}  // namespace

bool SendRequest(HANDLE device, RequestFunction function, const void* input, DWORD inputSize,
                 void* output, DWORD outputSize, DWORD* bytesReturned) {
    // An update writes the camera: nothing of ours may come between, not even a query.
    if (CameraWrittenElsewhere()) {
        SetLastError(ERROR_BUSY);
        return false;
    }
    trace::Request traced(function, input, inputSize);  // what is sent, before it is sent
    DWORD returned = 0;
    const BOOL ok = SendDeviceRequest(device, RequestCode(function), input, inputSize, output,
                                      outputSize, &returned);
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    if (bytesReturned != nullptr) {
        *bytesReturned = returned;
    }
    traced.Completed(ok != FALSE, error, output, outputSize, returned);
    SetLastError(error);
    return ok != FALSE || error == ERROR_SUCCESS;
}

bool SetControlValue(HANDLE device, const CtrlValueRecord& value, uint32_t length) {
    const uint64_t size = 4ull + length;
    UniqueBlock request = AllocateCleared(size);
    if (!request) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    PackCtrlValueRequest(value, length, static_cast<uint8_t*>(request.get()));
    return SendRequest(device, kSetCtrlCurrent, request.get(), static_cast<DWORD>(size), nullptr,
                       0);
}

bool WriteConnectionControl(HANDLE device, uint8_t value) {
    const CtrlValueRecord record = {kConnectionControl, 0, 0, &value};
    return SetControlValue(device, record, 1);
}

extern "C" {

bool ORVANE_API OrvaneUtil_SetTimeOutInfo(uint32_t timeout) {
    return Request(kSetTimeOutInfo, &timeout, sizeof(timeout), nullptr, 0);
}

bool ORVANE_API OrvaneUtil_GetLastError(uint32_t* code) {
    if (code == nullptr) {
        // Asked without a code, it never reaches the driver: while no camera is open it says
        // why, as every request function does; once one is open it refuses the null. A caller
        // waiting for the camera can so tell none from one that will not open, at any moment.
        return ConnectedDevice() == INVALID_HANDLE_VALUE ? false : InvalidArgument();
    }
    uint8_t reply[32] = {};
    const bool ok = Request(kGetLastError, nullptr, 0, reply, sizeof(reply));
    // A request failing with a warning status still delivers its reply: a failed query gives
    // 0 whatever bytes arrived.
    uint32_t driverCode = 0;
    if (ok) {
        std::memcpy(&driverCode, reply, sizeof(driverCode));
    }
    *code = driverCode;
    return ok;
}

bool ORVANE_API OrvaneUtil_GetCtrlCurEvent(CtrlCurEventRecord* record) {
    return EventQuery(kGetCtrlCurEvent, record);
}

bool ORVANE_API OrvaneUtil_GetCtrlSignalEvent(CtrlSignalEventRecord* record) {
    return EventQuery(kGetCtrlSignalEvent, record);
}

bool ORVANE_API OrvaneUtil_GetTransErrorEvent(TransErrorEventRecord* record) {
    return EventQuery(kGetTransErrorEvent, record);
}

bool ORVANE_API OrvaneUtil_GetImageRecvEvent(ImageRecvEventRecord* record) {
    return EventQuery(kGetImageRecvEvent, record);
}

bool ORVANE_API OrvaneUtil_GetSizeErrorEvent(SizeErrorEventRecord* record) {
    return EventQuery(kGetSizeErrorEvent, record);
}

bool ORVANE_API OrvaneUtil_GetVersion(VersionRecord* record) {
    if (record == nullptr) {
        return InvalidArgument();
    }
    std::memset(record, 0, sizeof(*record));
    return Request(kGetVersion, nullptr, 0, record, sizeof(*record));
}

bool ORVANE_API OrvaneUtil_GetCtrlSupport(void* table) {
    return Receive(kGetCtrlSupport, table, ORVANE_CTRL_SUPPORT_SIZE);
}

bool ORVANE_API OrvaneUtil_GetCtrlAttribute(uint8_t ctrlId, CtrlAttributeRecord* record,
                                            uint32_t width) {
    if (record == nullptr || width > ORVANE_CTRL_ATTRIBUTE_MAX_WIDTH) {
        return InvalidArgument();  // a wider value would run past the record
    }
    if (ConnectedDevice() == INVALID_HANDLE_VALUE) {
        return false;
    }
    const DWORD size = CtrlAttributeReplySize(width);
    UniqueBlock reply = AllocateCleared(size);
    if (!reply) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    if (!Request(kGetCtrlAttribute, &ctrlId, 1, reply.get(), size)) {
        return false;
    }
    UnpackCtrlAttributeReply(static_cast<const uint8_t*>(reply.get()), width, record);
    return true;
}

bool ORVANE_API OrvaneUtil_GetCtrlCurrent(uint8_t ctrlId, void* buffer, uint32_t size) {
    if (buffer == nullptr && size != 0) {
        return InvalidArgument();
    }
    return Request(kGetCtrlCurrent, &ctrlId, 1, buffer, size);
}

bool ORVANE_API OrvaneUtil_SetCtrlCurrent(const CtrlValueRecord* value, uint32_t length) {
    if (value == nullptr || (value->data == nullptr && length != 0)) {
        return InvalidArgument();
    }
    const HANDLE device = ConnectedDevice();
    if (device == INVALID_HANDLE_VALUE) {
        return false;
    }
    return SetControlValue(device, *value, length);
}

bool ORVANE_API OrvaneUtil_GetImageSupport(void* table) {
    return Receive(kGetImageSupport, table, ORVANE_IMAGE_SUPPORT_SIZE);
}

bool ORVANE_API OrvaneUtil_GetImageAttribute(const void* query, void* reply) {
    return Exchange(kGetImageAttribute, query, ORVANE_IMAGE_ATTRIBUTE_QUERY_SIZE, reply,
                    ORVANE_IMAGE_ATTRIBUTE_REPLY_SIZE);
}

bool ORVANE_API OrvaneUtil_GetImageCurrent(void* settings) {
    return Receive(kGetImageCurrent, settings, ORVANE_IMAGE_CURRENT_SIZE);
}

bool ORVANE_API OrvaneUtil_GetImageTransfer(const void* query, void* reply) {
    return Exchange(kGetImageTransfer, query, ORVANE_IMAGE_TRANSFER_QUERY_SIZE, reply,
                    ORVANE_IMAGE_TRANSFER_REPLY_SIZE);
}

bool ORVANE_API OrvaneUtil_SetImageCurrent(const void* settings, void* reply) {
    return Exchange(kSetImageCurrent, settings, ORVANE_IMAGE_SETTINGS_SIZE, reply,
                    ORVANE_IMAGE_SETTINGS_REPLY_SIZE);
}

bool ORVANE_API OrvaneUtil_GetTrans(uint8_t* mode) {
    if (mode == nullptr) {
        return InvalidArgument();
    }
    const uint8_t target = kTransferTarget;
    return Request(kGetTrans, &target, 1, mode, 1);
}

bool ORVANE_API OrvaneUtil_SetTrans(uint8_t mode) {
    const auto request = PackSetTransRequest(mode);
    uint8_t reply = 0;  // the camera's answer is not needed
    return Request(kSetTrans, request.data(), static_cast<DWORD>(request.size()), &reply, 1);
}

bool ORVANE_API OrvaneUtil_GetSystemSupport(void* table) {
    return Receive(kGetSystemSupport, table, ORVANE_SYSTEM_SUPPORT_SIZE);
}

bool ORVANE_API OrvaneUtil_GetSystemDataSize(uint8_t itemId, uint32_t* size) {
    if (size == nullptr) {
        return InvalidArgument();
    }
    return Request(kGetSystemDataSize, &itemId, 1, size, sizeof(*size));
}

bool ORVANE_API OrvaneUtil_GetSystemData(const void* query, void* reply) {
    return Exchange(kGetSystemData, query, ORVANE_SYSTEM_DATA_QUERY_SIZE, reply,
                    ORVANE_SYSTEM_DATA_REPLY_SIZE);
}

bool ORVANE_API OrvaneUtil_SetSystemData(const SystemDataRecord* record) {
    if (record == nullptr) {
        return InvalidArgument();
    }
    return Request(kSetSystemData, record, sizeof(*record), nullptr, 0);
}

bool ORVANE_API OrvaneUtil_GetFrame(const void* query, void* reply) {
    return Exchange(kGetFrame, query, ORVANE_FRAME_QUERY_SIZE, reply, ORVANE_FRAME_REPLY_SIZE);
}

bool ORVANE_API OrvaneUtil_GetBufferTable(void* buffer, uint32_t* size) {
    if (size == nullptr || (buffer == nullptr && *size != 0)) {
        return InvalidArgument();
    }
    DWORD delivered = 0;
    if (!Request(kGetBufferTable, nullptr, 0, buffer, *size, &delivered)) {
        return false;
    }
    *size = delivered;
    return true;
}

bool ORVANE_API OrvaneUtil_GetRequest(const RequestHeader* header, void* data) {
    if (header == nullptr || (data == nullptr && header->length != 0)) {
        return InvalidArgument();
    }
    return Request(kGetRequest, header, sizeof(*header), data, header->length);
}

bool ORVANE_API OrvaneUtil_SetRequest(const RequestRecord* record) {
    if (record == nullptr || (record->data == nullptr && record->header.length != 0)) {
        return InvalidArgument();
    }
    const HANDLE device = ConnectedDevice();
    if (device == INVALID_HANDLE_VALUE) {
        return false;
    }
    const DWORD size = sizeof(RequestHeader) + record->header.length;
    UniqueBlock request = AllocateCleared(size);
    if (!request) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    PackRequestRecord(*record, static_cast<uint8_t*>(request.get()));
    return SendRequest(device, kSetRequest, request.get(), size, nullptr, 0);
}

}  // extern "C"
