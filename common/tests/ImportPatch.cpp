#include "ImportPatch.h"

#include <cstdint>
#include <cstring>

namespace {

// The import address table slot of dll!function in this program, or null.
void** FindSlot(const char* dll, const char* function) {
    auto* base = reinterpret_cast<uint8_t*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) {
        return nullptr;
    }
    for (auto* desc = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         desc->Name != 0; ++desc) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + desc->Name), dll) != 0 ||
            desc->OriginalFirstThunk == 0) {
            continue;
        }
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
                return reinterpret_cast<void**>(&slots->u1.Function);
            }
        }
    }
    return nullptr;
}

}  // namespace

ImportPatch::ImportPatch(const char* dll, const char* function, const void* replacement)
    : slot_(FindSlot(dll, function)) {
    if (slot_ != nullptr) {
        original_ = *slot_;
        patched_ = Write(const_cast<void*>(replacement));
    }
}

ImportPatch::~ImportPatch() {
    if (patched_) {
        Write(original_);
    }
}

// False when the slot could not be made writable: it is left untouched.
bool ImportPatch::Write(void* value) {
    DWORD protection = 0;
    if (!VirtualProtect(slot_, sizeof(*slot_), PAGE_READWRITE, &protection)) {
        return false;
    }
    *slot_ = value;
    VirtualProtect(slot_, sizeof(*slot_), protection, &protection);
    return true;
}
