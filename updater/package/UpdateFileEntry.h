// One firmware image of the update package, as the dialog holds it.
#pragma once

#include <windows.h>

#include <cstdint>

inline constexpr int kUpdateFileCount = 5;   // entries for the IDs 1 to 5
inline constexpr size_t kMaxFileName = 258;  // characters of FILENAME that are kept
inline constexpr size_t kMaxToolTip = 30;    // characters of TOOLTIP that are kept
inline constexpr uint32_t kDefaultTimeoutMs = 60000;

struct UpdateFileEntry {
    bool found;          // a file of the UPDATEFILES folder matches fileName
    int32_t selector;    // its low byte goes to the camera with the image
    uint32_t timeoutMs;  // the library's time-out while this image is written
    wchar_t fileName[MAX_PATH];
    wchar_t toolTip[kMaxToolTip + 1];
};
