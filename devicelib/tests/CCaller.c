/* A C caller of TAVIKUtilDll that knows only the public header and links the by-name import
 * library. Built twice: as is, and with 1-byte packing (-fpack-struct=1 and an enclosing
 * #pragma pack(1), as a caller's own headers might set). Exits with 0 when every call worked;
 * the test that starts it checks what reached the simulated camera. */
#include <windows.h>

#include <stddef.h>
#include <stdio.h>

#ifdef CALLER_PACKED
#pragma pack(push, 1)
#endif
#include "TAVIKUtilDll.h"

/* The caller's own records are packed: the test would prove nothing otherwise. */
typedef struct CallerRecord {
    uint8_t id;
    const void* data;
} CallerRecord;
#ifdef CALLER_PACKED
#pragma pack(pop)
typedef char caller_is_packed[offsetof(CallerRecord, data) == 1 ? 1 : -1];
#else
typedef char caller_is_not_packed[offsetof(CallerRecord, data) == 4 ? 1 : -1];
#endif

static int __stdcall OnConnected(void* context) {
    SetEvent((HANDLE)context);
    return 0;
}

static int Check(bool ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "%s failed (error %lu)\n", what, (unsigned long)GetLastError());
        return 1;
    }
    return 0;
}

int main(void) {
    static const uint8_t value[3] = {0xC1, 0xC2, 0xC3};
    static const uint8_t image[8] = {0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7};
    static const uint8_t payload[2] = {0xE0, 0xE1};
    CtrlValueRecord control = {0x21, 0x31, 0x41, value};
    SystemDataRecord data = {7, {0, 0, 0}, image, sizeof(image)};
    RequestRecord request = {{{1, 2, 3, 4, 5, 6}, sizeof(payload)}, payload};
    VersionRecord version;
    int failures = 0;
    HANDLE connected = CreateEventW(NULL, TRUE, FALSE, NULL);

    /* No bound of its own: the test that starts it bounds the whole run. */
    if (connected == NULL || !OrvaneUtil_Init(connected, &OnConnected, false) ||
        WaitForSingleObject(connected, INFINITE) != WAIT_OBJECT_0) {
        fprintf(stderr, "no connection\n");
        return 2;
    }
    failures += Check(OrvaneUtil_SetCtrlCurrent(&control, sizeof(value)), "SetCtrlCurrent");
    failures += Check(OrvaneUtil_SetSystemData(&data), "SetSystemData");
    failures += Check(OrvaneUtil_SetRequest(&request), "SetRequest");
    failures +=
        Check(OrvaneUtil_GetVersion(&version) && version.productCode == 0x7012, "GetVersion");
    OrvaneUtil_Uninit();
    CloseHandle(connected);
    return failures;
}
