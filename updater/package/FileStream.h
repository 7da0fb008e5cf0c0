#pragma once

#include <windows.h>
#include <objidl.h>

#include <utility>

#include "UniqueAny.h"

// A COM stream over an open file, so that XmlLite can read a file straight from its handle.
// Only reading, writing, seeking and the size are supported; the rest answer E_NOTIMPL.
class FileStream final : public IStream {
public:
    // Takes the file over and hands out a stream whose count is 1. On failure the file is
    // closed and *stream is null.
    static HRESULT Create(UniqueHandle file, IStream** stream);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ISequentialStream
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG byteCount, ULONG* bytesRead) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG byteCount,
                                    ULONG* bytesWritten) override;

    // IStream
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* newPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER newSize) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER byteCount,
                                     ULARGE_INTEGER* bytesRead,
                                     ULARGE_INTEGER* bytesWritten) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD commitFlags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER byteCount,
                                         DWORD lockType) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER byteCount,
                                           DWORD lockType) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* record, DWORD statFlags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override;

private:
    explicit FileStream(UniqueHandle file) : file_(std::move(file)) {}
    // Only the last Release destroys the object.
    ~FileStream() = default;

    UniqueHandle file_;
    LONG referenceCount_ = 1;
};
