#include "LibraryClient.h"

#include "ThisProgram.h"
#include "TimeScale.h"

namespace e2e {
namespace {

template <typename Function>
Function Export(HMODULE library, const char* name) {
    // Through void(*)(void), the one function type every compiler converts from and to silently.
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)(void)>(GetProcAddress(library, name)));
}

int __stdcall SignalConnected(void* event) {
    SetEvent(static_cast<HANDLE>(event));
    return 0;
}

}  // namespace

LibraryClient::LibraryClient()
    : library_(LoadLibraryW(BesideThisProgram(L"TAVIKUtilDll.dll").c_str())),
      connected_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (!library_ || !connected_) {
        return;
    }
    uninit_ = Export<decltype(uninit_)>(library_.get(), "OrvaneUtil_Uninit");
    getVersion_ = Export<decltype(getVersion_)>(library_.get(), "OrvaneUtil_GetVersion");
    if (uninit_ != nullptr && getVersion_ != nullptr) {
        init_ = Export<decltype(init_)>(library_.get(), "OrvaneUtil_Init");
    }
}

LibraryClient::~LibraryClient() {
    Uninit();
}

bool LibraryClient::Init() {
    ResetEvent(connected_.get());
    started_ = ok() && init_(connected_.get(), &SignalConnected, false);
    return started_;
}

bool LibraryClient::Connected(DWORD timeoutMs) const {
    const DWORD wait = timeoutMs == 0 ? 0 : tavik::test::Bounded(timeoutMs);
    return connected_ && WaitForSingleObject(connected_.get(), wait) == WAIT_OBJECT_0;
}

void LibraryClient::Uninit() {
    if (started_) {
        uninit_();
        started_ = false;
    }
}

bool LibraryClient::GetVersion(VersionRecord* record, DWORD* error) const {
    SetLastError(0);
    const bool answered = getVersion_(record);
    *error = GetLastError();
    return answered;
}

}  // namespace e2e
