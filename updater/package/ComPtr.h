#pragma once

#include <unknwn.h>

#include <utility>

// Holds one reference to a COM object and releases it when it goes away.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }

    ComPtr(const ComPtr& other) : ptr_(other.ptr_) {
        if (ptr_ != nullptr) {
            ptr_->AddRef();
        }
    }
    ComPtr& operator=(const ComPtr& other) {
        ComPtr copy(other);
        std::swap(ptr_, copy.ptr_);
        return *this;
    }
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr moved(std::move(other));
        std::swap(ptr_, moved.ptr_);
        return *this;
    }

    // Takes over a reference that the caller already holds.
    static ComPtr Attach(T* ptr) {
        ComPtr result;
        result.ptr_ = ptr;
        return result;
    }

    T* Get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    // For out parameters: drops what is held and hands out the slot to fill.
    T** Put() {
        Reset();
        return &ptr_;
    }

    T* Detach() { return std::exchange(ptr_, nullptr); }

    void Reset() {
        if (T* old = std::exchange(ptr_, nullptr)) {
            old->Release();
        }
    }

private:
    T* ptr_ = nullptr;
};
