#include "CameraOpenRefusal.h"

#include "SystemErrorText.h"

DWORD OpenRefusalOf(DWORD libraryError) {
    switch (libraryError) {
        case ERROR_SUCCESS:
        case ERROR_DEVICE_NOT_CONNECTED:  // no camera there
        case ERROR_INVALID_PARAMETER:     // a camera is open: the question was refused
            return 0;
        default:
            return libraryError;
    }
}

std::wstring OpenRefusedLine(DWORD refusal) {
    return L"Camera found but cannot be opened: " + SystemErrorText(refusal);
}
