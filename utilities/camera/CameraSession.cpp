#include "CameraSession.h"

#include <vector>

#include "CameraInterfaces.h"
#include "ConsoleInterrupt.h"
#include "ConsoleOutput.h"
#include "LibraryCamera.h"
#include "TAVIKUtilDll.h"
#include "TraceTarget.h"
#include "UpdaterRunning.h"

namespace {

// The library's first look: it opens a camera that is there and reports it from its own
// thread; this bounds that look, without waiting for a camera to come.
constexpr DWORD kFirstLookMs = 2000;

// Runs on the library's threads: it only signals.
int __stdcall SignalEvent(void* event) {
    SetEvent(static_cast<HANDLE>(event));
    return 0;
}

}  // namespace

CameraSession::CameraSession() : connected_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    // Looked for again here, after whatever the tool did first: the library's start writes
    // control 0x3E, which must never reach the camera beside an update.
    updaterOpen_ = UpdaterRunning();
    if (updaterOpen_) {
        return;
    }
    // Said before the library opens the trace file, which it then holds.
    const std::wstring traceProblem = TraceProblem();
    if (!traceProblem.empty()) {
        WriteText(OutputStream::Error, traceProblem + L"\r\n");
    }
    started_ = connected_ && InterruptEvent() != nullptr &&
               OrvaneUtil_Init(connected_.get(), &SignalEvent, false);
}

CameraSession::~CameraSession() {
    if (started_ && !UpdaterRunning()) {
        OrvaneUtil_Uninit();
    }
}

CameraSession::Wait CameraSession::WaitForCamera(uint32_t seconds) {
    const HANDLE events[] = {connected_.get(), InterruptEvent()};
    const DWORD waitMs = seconds == 0 ? kFirstLookMs : seconds * 1000;
    switch (WaitForMultipleObjects(2, events, FALSE, waitMs)) {
        case WAIT_OBJECT_0:
            return Wait::Connected;
        case WAIT_OBJECT_0 + 1:
            return Wait::Interrupted;
        default:
            return Wait::NoCamera;
    }
}

CameraSession::Find CameraSession::FindCamera(uint32_t seconds, BlockQuery blockQuery,
                                              CameraIdentity* identity) {
    switch (WaitForCamera(seconds)) {
        case Wait::Interrupted:
            return Find::Interrupted;
        case Wait::NoCamera:
            // Told apart from no camera: one that is there but will not open.
            identity->openError = AskOpenRefusal();
            if (identity->openError != 0) {
                identity->status = CameraStatus::OpenRefused;
            }
            break;
        case Wait::Connected:
            if (UpdaterRunning()) {
                return Find::UpdaterOpened;
            }
            *identity = IdentifyCamera(AskCamera(blockQuery));
            break;
    }
    identity->waitSeconds = seconds;
    std::vector<std::wstring> paths;
    if (ListCameraInterfaces(&paths)) {
        identity->attached = static_cast<int>(paths.size());
        if (!paths.empty() && identity->status != CameraStatus::NoCamera) {
            identity->interfacePath = paths.front();
        }
    }
    return Find::Done;
}

CameraSession::Watch CameraSession::WaitForRemoval() {
    removed_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!removed_ || !OrvaneUtil_WatchConnection(removed_.get(), &SignalEvent)) {
        return Watch::NotStarted;
    }
    const HANDLE events[] = {removed_.get(), InterruptEvent()};
    return WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 ? Watch::Removed
                                                                               : Watch::Interrupted;
}
