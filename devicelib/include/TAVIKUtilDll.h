/*
 * TAVIKUtilDll: access to the camera through its kernel-mode driver.
 *
 * Every export uses __stdcall and C linkage and returns a one-byte boolean (1 = success), except
 * OrvaneUtil_Uninit. Records cross in caller-owned memory; the library keeps no pointer to it
 * after a call returns. This is a 32-bit library: every pointer inside a record is 4 bytes.
 */
#ifndef TAVIKUTILDLL_H
#define TAVIKUTILDLL_H

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

/* The records keep the layout below whatever packing the caller compiles with (/Zp1,
 * -fpack-struct=1, an enclosing #pragma pack(1)): the driver reads them as laid out here. */
#pragma pack(push, 8)

#ifdef __cplusplus
extern "C" {
#endif

#ifndef ORVANE_API
#define ORVANE_API __stdcall
#endif

/* Called once on a library thread; the result is ignored. */
typedef int(__stdcall* ConnectionCallback)(void* context);

/* Sizes of the records that pass between caller and driver without interpretation. */
enum {
    ORVANE_CTRL_SUPPORT_SIZE = 129,
    ORVANE_CTRL_ATTRIBUTE_MAX_WIDTH = 64,
    ORVANE_IMAGE_SUPPORT_SIZE = 2242,
    ORVANE_IMAGE_ATTRIBUTE_QUERY_SIZE = 6,
    ORVANE_IMAGE_ATTRIBUTE_REPLY_SIZE = 60,
    ORVANE_IMAGE_CURRENT_SIZE = 32,
    ORVANE_IMAGE_TRANSFER_QUERY_SIZE = 8,
    ORVANE_IMAGE_TRANSFER_REPLY_SIZE = 12,
    ORVANE_IMAGE_SETTINGS_SIZE = 20,
    ORVANE_IMAGE_SETTINGS_REPLY_SIZE = 12,
    ORVANE_SYSTEM_SUPPORT_SIZE = 33,
    ORVANE_SYSTEM_DATA_QUERY_SIZE = 8,
    ORVANE_SYSTEM_DATA_REPLY_SIZE = 4,
    ORVANE_FRAME_QUERY_SIZE = 8,
    ORVANE_FRAME_REPLY_SIZE = 8,
    ORVANE_VERSION_BLOCK_SIZE = 14 /* current value of control 61 */
};

/* Filled by the driver: the camera's model is productCode (0x7012, 0x7013, ...). */
typedef struct VersionRecord {
    uint8_t reserved0[2];
    uint16_t productCode;
    uint8_t reserved1[4];
} VersionRecord;

/* A control value to set: ctrlId, two parameters passed on unchanged, and the value bytes
 * (their count is a separate argument). */
typedef struct CtrlValueRecord {
    uint8_t ctrlId;
    uint8_t param1;
    uint8_t param2;
    const void* data;
} CtrlValueRecord;

/* Four attribute values of a control, each in the first n bytes of its field. */
typedef struct CtrlAttributeRecord {
    uint8_t header;
    uint8_t value[4][ORVANE_CTRL_ATTRIBUTE_MAX_WIDTH];
} CtrlAttributeRecord;

/* One item of the camera's system data to write; the driver reads the bytes through `data`
 * while the request runs. */
typedef struct SystemDataRecord {
    uint8_t selector;
    uint8_t padding[3];
    const void* data;
    uint32_t length;
} SystemDataRecord;

/* Bytes 0 to 5 go to the driver unchanged; `length` is the size of the data phase. */
typedef struct RequestHeader {
    uint8_t command[6];
    uint16_t length;
} RequestHeader;

typedef struct RequestRecord {
    RequestHeader header;
    const void* data;
} RequestRecord;

/* Event records: byte 0 is non-zero when an event is present; the rest is the driver's. */
typedef struct CtrlCurEventRecord {
    uint8_t present;
    uint8_t data[75];
} CtrlCurEventRecord;

typedef struct CtrlSignalEventRecord {
    uint8_t present;
    uint8_t data[11];
} CtrlSignalEventRecord;

typedef struct TransErrorEventRecord {
    uint8_t present;
    uint8_t data[35];
} TransErrorEventRecord;

typedef struct ImageRecvEventRecord {
    uint8_t present;
    uint8_t data[11];
} ImageRecvEventRecord;

typedef struct SizeErrorEventRecord {
    uint8_t present;
    uint8_t data[15];
} SizeErrorEventRecord;

/* Life cycle */
bool ORVANE_API OrvaneUtil_Init(void* context, ConnectionCallback callback, bool flag);
void ORVANE_API OrvaneUtil_Uninit(void);
bool ORVANE_API OrvaneUtil_WatchConnection(void* context, ConnectionCallback callback);

/* Requests: each is one request to the driver; 0 without a request while no camera is open,
   GetLastError() then giving ERROR_DEVICE_NOT_CONNECTED, or the error that refused the open of
   the camera that is there (ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION). */
bool ORVANE_API OrvaneUtil_SetTimeOutInfo(uint32_t timeout);
/* With a null code no request at all: 0, and GetLastError() says why no camera is open, or
   ERROR_INVALID_PARAMETER once one is. */
bool ORVANE_API OrvaneUtil_GetLastError(uint32_t* code);
bool ORVANE_API OrvaneUtil_GetCtrlCurEvent(CtrlCurEventRecord* record);
bool ORVANE_API OrvaneUtil_GetCtrlSignalEvent(CtrlSignalEventRecord* record);
bool ORVANE_API OrvaneUtil_GetTransErrorEvent(TransErrorEventRecord* record);
bool ORVANE_API OrvaneUtil_GetImageRecvEvent(ImageRecvEventRecord* record);
bool ORVANE_API OrvaneUtil_GetSizeErrorEvent(SizeErrorEventRecord* record);
bool ORVANE_API OrvaneUtil_GetVersion(VersionRecord* record);
bool ORVANE_API OrvaneUtil_GetCtrlSupport(void* table);
bool ORVANE_API OrvaneUtil_GetCtrlAttribute(uint8_t ctrlId, CtrlAttributeRecord* record,
                                            uint32_t width);
bool ORVANE_API OrvaneUtil_GetCtrlCurrent(uint8_t ctrlId, void* buffer, uint32_t size);
bool ORVANE_API OrvaneUtil_SetCtrlCurrent(const CtrlValueRecord* value, uint32_t length);
bool ORVANE_API OrvaneUtil_GetImageSupport(void* table);
bool ORVANE_API OrvaneUtil_GetImageAttribute(const void* query, void* reply);
bool ORVANE_API OrvaneUtil_GetImageCurrent(void* settings);
bool ORVANE_API OrvaneUtil_GetImageTransfer(const void* query, void* reply);
bool ORVANE_API OrvaneUtil_SetImageCurrent(const void* settings, void* reply);
bool ORVANE_API OrvaneUtil_GetTrans(uint8_t* mode);
bool ORVANE_API OrvaneUtil_SetTrans(uint8_t mode);
bool ORVANE_API OrvaneUtil_GetSystemSupport(void* table);
bool ORVANE_API OrvaneUtil_GetSystemDataSize(uint8_t itemId, uint32_t* size);
bool ORVANE_API OrvaneUtil_GetSystemData(const void* query, void* reply);
bool ORVANE_API OrvaneUtil_SetSystemData(const SystemDataRecord* record);
bool ORVANE_API OrvaneUtil_GetFrame(const void* query, void* reply);
bool ORVANE_API OrvaneUtil_GetBufferTable(void* buffer, uint32_t* size);
bool ORVANE_API OrvaneUtil_GetRequest(const RequestHeader* header, void* data);
bool ORVANE_API OrvaneUtil_SetRequest(const RequestRecord* record);

#ifdef __cplusplus
} /* extern "C" */
#endif

#pragma pack(pop)

/* The records are the driver's wire format: a caller whose compiler lays them out otherwise
 * fails to compile here instead of sending the driver wrong bytes. */
#if defined(__cplusplus)
#define ORVANE_LAYOUT_CHECK(name, condition) static_assert(condition, #name)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define ORVANE_LAYOUT_CHECK(name, condition) _Static_assert(condition, #name)
#else
#define ORVANE_LAYOUT_CHECK(name, condition) \
    typedef char orvane_layout_check_##name[(condition) ? 1 : -1]
#endif
ORVANE_LAYOUT_CHECK(pointer_size, sizeof(void*) == 4);
ORVANE_LAYOUT_CHECK(result_size, sizeof(bool) == 1);
ORVANE_LAYOUT_CHECK(version_record,
                    sizeof(VersionRecord) == 8 && offsetof(VersionRecord, productCode) == 2);
ORVANE_LAYOUT_CHECK(ctrl_value_record,
                    sizeof(CtrlValueRecord) == 8 && offsetof(CtrlValueRecord, data) == 4);
ORVANE_LAYOUT_CHECK(ctrl_attribute_record, sizeof(CtrlAttributeRecord) == 257 &&
                                               offsetof(CtrlAttributeRecord, value) == 1);
ORVANE_LAYOUT_CHECK(system_data_record, sizeof(SystemDataRecord) == 12 &&
                                            offsetof(SystemDataRecord, data) == 4 &&
                                            offsetof(SystemDataRecord, length) == 8);
ORVANE_LAYOUT_CHECK(request_header,
                    sizeof(RequestHeader) == 8 && offsetof(RequestHeader, length) == 6);
ORVANE_LAYOUT_CHECK(request_record,
                    sizeof(RequestRecord) == 12 && offsetof(RequestRecord, data) == 8);
ORVANE_LAYOUT_CHECK(ctrl_cur_event_record, sizeof(CtrlCurEventRecord) == 76);
ORVANE_LAYOUT_CHECK(ctrl_signal_event_record, sizeof(CtrlSignalEventRecord) == 12);
ORVANE_LAYOUT_CHECK(trans_error_event_record, sizeof(TransErrorEventRecord) == 36);
ORVANE_LAYOUT_CHECK(image_recv_event_record, sizeof(ImageRecvEventRecord) == 12);
ORVANE_LAYOUT_CHECK(size_error_event_record, sizeof(SizeErrorEventRecord) == 16);

#endif /* TAVIKUTILDLL_H */
