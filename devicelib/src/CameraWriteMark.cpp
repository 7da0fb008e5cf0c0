#include "CameraWriteMark.h"

#include <windows.h>

#include "UniqueAny.h"
#include "UpdaterObjects.h"

bool CameraWrittenElsewhere() {
    UniqueHandle mutex(OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kCameraWriteMutex));
    if (!mutex) {
        // Refused to us, by a writer with more rights than ours: it is somebody else's write.
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    switch (WaitForSingleObject(mutex.get(), 0)) {
        case WAIT_OBJECT_0:   // this thread writes, or the writer is between its claim's steps
        case WAIT_ABANDONED:  // the writer died: its write is over either way
            ReleaseMutex(mutex.get());
            return false;
        default:  // another thread owns it
            return true;
    }
}
