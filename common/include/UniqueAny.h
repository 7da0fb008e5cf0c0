// One owning wrapper for every kind of handle the project holds. A traits type says what a value
// of its kind is, which values hold nothing, and how one is released.
#pragma once

#include <windows.h>

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
    explicit operator bool() const { return Traits::IsValid(value_); }

    Type release() { return std::exchange(value_, Traits::Empty()); }

    // The thread's last-error value survives the release, so a caller can clean up between a
    // failing call and reading why it failed.
    void reset(Type value = Traits::Empty()) {
        Type old = std::exchange(value_, value);
        if (Traits::IsValid(old)) {
            const DWORD error = GetLastError();
            Traits::Close(old);
            SetLastError(error);
        }
    }

private:
    Type value_ = Traits::Empty();
};

// Kernel objects: files, devices, events, threads. Win32 reports a failed open with either null
// or INVALID_HANDLE_VALUE, so both hold nothing.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};

struct ServiceHandleTraits {
    using Type = SC_HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { CloseServiceHandle(h); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { FindClose(h); }
};

// Blocks from malloc or calloc.
struct HeapBlockTraits {
    using Type = void*;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type p) { return p != nullptr; }
    static void Close(Type p) { std::free(p); }
};

using UniqueHandle = UniqueAny<KernelHandleTraits>;
using UniqueServiceHandle = UniqueAny<ServiceHandleTraits>;
using UniqueFindHandle = UniqueAny<FindHandleTraits>;
using UniqueBlock = UniqueAny<HeapBlockTraits>;
