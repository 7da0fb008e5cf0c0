#include "WriteGuards.h"

#include "UpdaterObjects.h"

namespace {

// The library of another program owns the mark only for the moment of its check.
constexpr DWORD kClaimWaitMs = 5000;

constexpr wchar_t kShutdownReason[] =
    L"Firmware is being written into the camera. Wait until TAVIK Update shows the result.";

}  // namespace

SystemAwakeRequest::SystemAwakeRequest() {
    SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
}

SystemAwakeRequest::~SystemAwakeRequest() {
    SetThreadExecutionState(ES_CONTINUOUS);
}

void ShutdownBlockReason::Begin(HWND window) {
    if (window_ == nullptr && ShutdownBlockReasonCreate(window, kShutdownReason)) {
        window_ = window;
    }
}

void ShutdownBlockReason::End() {
    if (window_ != nullptr) {
        ShutdownBlockReasonDestroy(window_);
        window_ = nullptr;
    }
}

CameraWriteClaim::CameraWriteClaim() : mutex_(CreateMutexW(nullptr, FALSE, kCameraWriteMutex)) {
    if (mutex_) {
        const DWORD waited = WaitForSingleObject(mutex_.get(), kClaimWaitMs);
        // Abandoned: a program died in its check; the mutex is ours all the same.
        owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
}

CameraWriteClaim::~CameraWriteClaim() {
    if (owned_) {
        ReleaseMutex(mutex_.get());
    }
}
