#include "FileStream.h"

#include <new>
#include <utility>

namespace {

// Takes the thread's error at once, before anything else can overwrite it. A call that failed
// without saying why is still a failure: HRESULT_FROM_WIN32 would turn its 0 into S_OK.
HRESULT LastErrorAsHResult() {
    const DWORD error = ::GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

}  // namespace

HRESULT FileStream::Create(UniqueHandle file, IStream** stream) {
    if (stream == nullptr) {
        return E_POINTER;
    }
    *stream = new (std::nothrow) FileStream(std::move(file));
    return *stream != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT FileStream::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IStream) ||
        IsEqualIID(iid, IID_ISequentialStream)) {
        *object = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG FileStream::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&referenceCount_));
}

ULONG FileStream::Release() {
    const LONG count = ::InterlockedDecrement(&referenceCount_);
    if (count == 0) {
        delete this;
    }
    return static_cast<ULONG>(count);
}

HRESULT FileStream::Read(void* buffer, ULONG byteCount, ULONG* bytesRead) {
    if (bytesRead != nullptr) {
        *bytesRead = 0;
    }
    if (buffer == nullptr && byteCount != 0) {
        return STG_E_INVALIDPOINTER;
    }
    DWORD done = 0;
    const BOOL ok = ::ReadFile(file_.get(), buffer, byteCount, &done, nullptr);
    const HRESULT result = ok ? S_OK : LastErrorAsHResult();
    if (bytesRead != nullptr) {
        *bytesRead = done;
    }
    return result;
}

HRESULT FileStream::Write(const void* buffer, ULONG byteCount, ULONG* bytesWritten) {
    if (bytesWritten != nullptr) {
        *bytesWritten = 0;
    }
    if (buffer == nullptr && byteCount != 0) {
        return STG_E_INVALIDPOINTER;
    }
    DWORD done = 0;
    const BOOL ok = ::WriteFile(file_.get(), buffer, byteCount, &done, nullptr);
    const HRESULT result = ok ? S_OK : LastErrorAsHResult();
    if (bytesWritten != nullptr) {
        *bytesWritten = done;
    }
    return result;
}

HRESULT FileStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
    DWORD method = FILE_BEGIN;
    switch (origin) {
        case STREAM_SEEK_SET:
            method = FILE_BEGIN;
            break;
        case STREAM_SEEK_CUR:
            method = FILE_CURRENT;
            break;
        case STREAM_SEEK_END:
            method = FILE_END;
            break;
        default:
            return STG_E_INVALIDFUNCTION;
    }
    LARGE_INTEGER position = {};
    if (!::SetFilePointerEx(file_.get(), move, &position, method)) {
        return LastErrorAsHResult();
    }
    if (newPosition != nullptr) {
        newPosition->QuadPart = static_cast<ULONGLONG>(position.QuadPart);
    }
    return S_OK;
}

HRESULT FileStream::SetSize(ULARGE_INTEGER /*newSize*/) {
    return E_NOTIMPL;
}

HRESULT FileStream::CopyTo(IStream* /*target*/, ULARGE_INTEGER /*byteCount*/,
                           ULARGE_INTEGER* /*bytesRead*/, ULARGE_INTEGER* /*bytesWritten*/) {
    return E_NOTIMPL;
}

HRESULT FileStream::Commit(DWORD /*commitFlags*/) {
    return E_NOTIMPL;
}

HRESULT FileStream::Revert() {
    return E_NOTIMPL;
}

HRESULT FileStream::LockRegion(ULARGE_INTEGER /*offset*/, ULARGE_INTEGER /*byteCount*/,
                               DWORD /*lockType*/) {
    return E_NOTIMPL;
}

HRESULT FileStream::UnlockRegion(ULARGE_INTEGER /*offset*/, ULARGE_INTEGER /*byteCount*/,
                                 DWORD /*lockType*/) {
    return E_NOTIMPL;
}

HRESULT FileStream::Stat(STATSTG* record, DWORD /*statFlags*/) {
    if (record == nullptr) {
        return STG_E_INVALIDPOINTER;
    }
    // No name is ever handed out, whatever the flags ask: the caller has nothing to free.
    *record = {};
    record->type = STGTY_STREAM;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file_.get(), &size)) {
        return LastErrorAsHResult();
    }
    record->cbSize.QuadPart = static_cast<ULONGLONG>(size.QuadPart);
    return S_OK;
}

HRESULT FileStream::Clone(IStream** clone) {
    if (clone != nullptr) {
        *clone = nullptr;
    }
    return E_NOTIMPL;
}
