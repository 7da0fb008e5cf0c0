/* A DLL that someone put beside a program under a system DLL's name. Loaded, it leaves a mark:
 * an empty file named after itself with ".ran" added. It exports, each failing, the functions
 * that the programs have taken from xmllite.dll, bcrypt.dll and comctl32.dll, so that a program
 * importing them would start with it as it would with a real one planted there. */
#include <windows.h>

#include <wchar.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 8];
        const DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            wcscpy(path + length, L".ran");
            HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, NULL);
            if (mark != INVALID_HANDLE_VALUE) {
                CloseHandle(mark);
            }
        }
    }
    return TRUE;
}

#define PLANTED_FAILURE ((LONG)0xC00000BBL) /* STATUS_NOT_SUPPORTED */

HRESULT WINAPI PlantedCreateXmlReader(const void* iid, void** reader, void* allocator) {
    (void)iid;
    (void)allocator;
    *reader = NULL;
    return E_FAIL;
}

BOOL WINAPI PlantedInitCommonControlsEx(const void* controls) {
    (void)controls;
    return FALSE;
}

LONG WINAPI PlantedOpenAlgorithmProvider(void** algorithm, LPCWSTR id, LPCWSTR implementation,
                                         ULONG flags) {
    (void)id;
    (void)implementation;
    (void)flags;
    *algorithm = NULL;
    return PLANTED_FAILURE;
}

LONG WINAPI PlantedCloseAlgorithmProvider(void* algorithm, ULONG flags) {
    (void)algorithm;
    (void)flags;
    return PLANTED_FAILURE;
}

LONG WINAPI PlantedCreateHash(void* algorithm, void** hash, UCHAR* object, ULONG objectSize,
                              UCHAR* secret, ULONG secretSize, ULONG flags) {
    (void)algorithm;
    (void)object;
    (void)objectSize;
    (void)secret;
    (void)secretSize;
    (void)flags;
    *hash = NULL;
    return PLANTED_FAILURE;
}

LONG WINAPI PlantedDestroyHash(void* hash) {
    (void)hash;
    return PLANTED_FAILURE;
}

LONG WINAPI PlantedHashData(void* hash, UCHAR* data, ULONG size, ULONG flags) {
    (void)hash;
    (void)data;
    (void)size;
    (void)flags;
    return PLANTED_FAILURE;
}

LONG WINAPI PlantedFinishHash(void* hash, UCHAR* digest, ULONG size, ULONG flags) {
    (void)hash;
    (void)digest;
    (void)size;
    (void)flags;
    return PLANTED_FAILURE;
}
