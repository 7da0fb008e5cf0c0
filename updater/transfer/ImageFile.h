// An image file read whole into memory for one request, as the camera is sent it.
#pragma once

#include <cstdint>
#include <string>

#include "UniqueAny.h"

struct ImageBuffer {
    UniqueBlock bytes;    // the file, then 0xFF up to `length`
    uint32_t length = 0;  // the file's size rounded up to a multiple of 4
};

enum class ImageReadResult {
    Read,
    OpenOrSizeFailed,  // not opened, or its size unknown or too large to pad within 32 bits
    NoMemory,
    ReadFailed,  // a failed or short read: nothing partial is ever sent
};

// Opens `path` for reading, shared for reading only, so that nobody writes, renames or deletes
// it while it is held but another entry naming the same file opens it too, and reads it whole.
// On any result but Read, `image` holds nothing.
ImageReadResult ReadImageFile(const std::wstring& path, ImageBuffer* image);
