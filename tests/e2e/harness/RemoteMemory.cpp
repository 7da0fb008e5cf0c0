#include "RemoteMemory.h"

namespace e2e {

RemoteBlock::RemoteBlock(HANDLE process, size_t size)
    : block_(RemoteAllocation{process, VirtualAllocEx(process, nullptr, size,
                                                      MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)}),
      size_(size) {}

bool RemoteBlock::Write(size_t offset, const void* data, size_t size) const {
    if (!ok() || offset > size_ || size > size_ - offset) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    SIZE_T written = 0;
    return WriteProcessMemory(block_.get().process, at(offset), data, size, &written) &&
           written == size;
}

bool RemoteBlock::Read(size_t offset, void* data, size_t size) const {
    if (!ok() || offset > size_ || size > size_ - offset) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    SIZE_T read = 0;
    return ReadProcessMemory(block_.get().process, at(offset), data, size, &read) && read == size;
}

}  // namespace e2e
