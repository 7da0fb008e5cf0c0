#pragma once

#include <windows.h>

#include <utility>

// Sole owner of a kernel handle; closes it when it goes away. Both null and
// INVALID_HANDLE_VALUE mean "nothing held", since Win32 calls report failure with either.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }

    HANDLE Get() const { return handle_; }
    bool IsValid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

    HANDLE Release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

    void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        HANDLE old = std::exchange(handle_, handle);
        if (old != nullptr && old != INVALID_HANDLE_VALUE) {
            ::CloseHandle(old);
        }
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};
