#include "RequestRecords.h"

#include <cstring>

void PackCtrlValueRequest(const CtrlValueRecord& value, uint32_t length, uint8_t* request) {
    request[0] = value.ctrlId;
    request[1] = value.param1;
    request[2] = value.param2;
    request[3] = 0;
    if (length != 0) {
        std::memcpy(request + 4, value.data, length);
    }
}

void UnpackCtrlAttributeReply(const uint8_t* reply, uint32_t width, CtrlAttributeRecord* record) {
    record->header = reply[0];
    for (uint32_t i = 0; i < 4; ++i) {
        std::memcpy(record->value[i], reply + 4 + i * width, width);
    }
}

std::array<uint8_t, 3> PackSetTransRequest(uint8_t mode) {
    return {kTransferTarget, mode, 0x05};
}

void PackRequestRecord(const RequestRecord& record, uint8_t* request) {
    std::memcpy(request, &record.header, sizeof(RequestHeader));
    if (record.header.length != 0) {
        std::memcpy(request + sizeof(RequestHeader), record.data, record.header.length);
    }
}
