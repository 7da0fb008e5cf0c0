#include "WriteGuards.h"

namespace {

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
