#include "UpdaterRunning.h"

#include "UpdaterObjects.h"

bool UpdaterRunning() {
    return NamedMutexExists(kUpdaterRunningMutex);
}

std::wstring UpdaterRunningMessage(const wchar_t* tool) {
    return std::wstring(tool) +
           L": TAVIKUpdate is open on this PC: the camera is left alone while it may be writing; "
           L"close it and try again\r\n";
}
