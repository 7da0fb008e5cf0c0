#include "ImageFile.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "ImageTransfer.h"

namespace {

// Exactly `size` bytes: a read that ends early is a failure, never an image padded as if whole.
bool ReadWhole(HANDLE file, uint8_t* buffer, uint32_t size) {
    uint32_t done = 0;
    while (done < size) {
        DWORD read = 0;
        if (!ReadFile(file, buffer + done, size - done, &read, nullptr) || read == 0) {
            return false;
        }
        done += read;
    }
    return true;
}

}  // namespace

ImageReadResult ReadImageFile(const std::wstring& path, ImageBuffer* image) {
    *image = ImageBuffer();
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return ImageReadResult::OpenOrSizeFailed;
    }
    LARGE_INTEGER size = {};
    uint32_t padded = 0;
    if (SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        !PaddedLength(static_cast<uint64_t>(size.QuadPart), &padded)) {
        return ImageReadResult::OpenOrSizeFailed;
    }
    // An empty image still gets a buffer to point at; it is sent with length 0.
    UniqueBlock bytes(std::malloc(padded > 0 ? padded : 1));
    if (!bytes) {
        return ImageReadResult::NoMemory;
    }
    auto* buffer = static_cast<uint8_t*>(bytes.get());
    std::memset(buffer, 0xFF, padded);
    if (!ReadWhole(file.get(), buffer, static_cast<uint32_t>(size.QuadPart))) {
        return ImageReadResult::ReadFailed;
    }
    image->bytes = std::move(bytes);
    image->length = padded;
    return ImageReadResult::Read;
}
