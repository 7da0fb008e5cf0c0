// Memory inside another process, for messages whose pointer the receiver uses as it is
// (progress range, tool-tip records): Windows marshals only the system's own classic messages.
#pragma once

#include <windows.h>

#include <cstddef>

#include "UniqueAny.h"

namespace e2e {

struct RemoteAllocation {
    HANDLE process;
    void* address;
};

struct RemoteAllocationTraits {
    using Type = RemoteAllocation;
    static Type Empty() { return {nullptr, nullptr}; }
    static bool IsValid(const Type& block) { return block.address != nullptr; }
    static void Close(const Type& block) {
        VirtualFreeEx(block.process, block.address, 0, MEM_RELEASE);
    }
};

using UniqueRemoteAllocation = UniqueAny<RemoteAllocationTraits>;

// A committed, read-write block of `size` bytes in `process` (which needs PROCESS_VM_OPERATION,
// PROCESS_VM_READ and PROCESS_VM_WRITE access).
class RemoteBlock {
public:
    RemoteBlock(HANDLE process, size_t size);

    bool ok() const { return static_cast<bool>(block_); }
    void* address() const { return block_.get().address; }
    // The remote address `offset` bytes into the block, for pointers inside a record.
    void* at(size_t offset) const { return static_cast<char*>(address()) + offset; }

    bool Write(size_t offset, const void* data, size_t size) const;
    bool Read(size_t offset, void* data, size_t size) const;

private:
    UniqueRemoteAllocation block_;
    size_t size_ = 0;
};

}  // namespace e2e
