// Records that the library builds or unpacks itself; everything else passes through unchanged.
#pragma once

#include <array>
#include <cstdint>

#include "TAVIKUtilDll.h"

// Set-control request: ctrlId, param1, param2, 0, then `length` value bytes. `request` holds
// 4 + length bytes.
void PackCtrlValueRequest(const CtrlValueRecord& value, uint32_t length, uint8_t* request);

// Size of the reply to an attribute query of values `width` bytes wide.
constexpr uint32_t CtrlAttributeReplySize(uint32_t width) {
    return 4u + 4u * width;
}

// Copies reply byte 0 to the header and the four `width`-byte values at reply offsets 4,
// 4 + w, 4 + 2w and 4 + 3w to the front of the record's four value fields.
void UnpackCtrlAttributeReply(const uint8_t* reply, uint32_t width, CtrlAttributeRecord* record);

// Transfer-mode requests.
constexpr uint8_t kTransferTarget = 0x01;
std::array<uint8_t, 3> PackSetTransRequest(uint8_t mode);

// Pass-through request: the 8-byte header, then header.length data bytes. `request` holds
// 8 + header.length bytes.
void PackRequestRecord(const RequestRecord& record, uint8_t* request);
