#include "SingleUpdater.h"

#include <windows.h>

#include "RunMessages.h"
#include "UpdaterObjects.h"

bool UpdaterRunningMark::Claim() {
    mutex_.reset(CreateMutexW(nullptr, FALSE, kUpdaterRunningMutex));
    const DWORD error = GetLastError();
    if (!mutex_) {
        // Made by an updater run with more rights than ours, which we may not open: it runs.
        // Any other failure leaves us no worse off than without the mark; the camera's own
        // write mark still keeps a second writer off.
        return error != ERROR_ACCESS_DENIED;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        mutex_.reset();
        return false;
    }
    return true;
}

void DeferToRunningUpdater(const wchar_t* dialogCaption) {
    const MessageBoxText box = AlreadyRunningMessage();
    MessageBoxW(nullptr, box.text.c_str(), box.caption, box.style | MB_SETFOREGROUND);
    // Found by its caption: only on this desktop. One in another session goes on unseen.
    HWND running = FindWindowW(L"#32770", dialogCaption);
    if (running == nullptr) {
        return;
    }
    if (IsIconic(running)) {
        ShowWindow(running, SW_RESTORE);
    }
    // The box it may show (a model question, a result) is what the operator must answer.
    SetForegroundWindow(GetLastActivePopup(running));
}
