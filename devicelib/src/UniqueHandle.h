// One owning wrapper for every kind of handle the library holds. A traits type names the value
// that means "none" and the function that releases a value.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <cstdlib>
#include <utility>

template <typename Traits>
class UniqueAny {
public:
    using Type = typename Traits::Type;

    UniqueAny() = default;
    explicit UniqueAny(Type value) : value_(value) {}
    ~UniqueAny() { reset(); }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    Type get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::Invalid(); }

    Type release() { return std::exchange(value_, Traits::Invalid()); }

    // The thread's last-error value survives the release, so a caller can clean up between a
    // failing call and reading why it failed.
    void reset(Type value = Traits::Invalid()) {
        Type old = std::exchange(value_, value);
        if (old != Traits::Invalid()) {
            DWORD error = GetLastError();
            Traits::Close(old);
            SetLastError(error);
        }
    }

private:
    Type value_ = Traits::Invalid();
};

struct KernelHandleTraits {  // events, threads: "none" is null
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { CloseHandle(h); }
};
struct FileHandleTraits {  // files and devices: "none" is INVALID_HANDLE_VALUE
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};
struct DevInfoTraits {
    using Type = HDEVINFO;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { SetupDiDestroyDeviceInfoList(h); }
};
struct HeapBlockTraits {
    using Type = void*;
    static Type Invalid() { return nullptr; }
    static void Close(Type p) { std::free(p); }
};

using UniqueHandle = UniqueAny<KernelHandleTraits>;
using UniqueFile = UniqueAny<FileHandleTraits>;
using UniqueDevInfo = UniqueAny<DevInfoTraits>;
using UniqueBlock = UniqueAny<HeapBlockTraits>;
