// What holds Windows off while firmware is being written: a write cut by sleep, shut-down or
// log-off leaves a half-written camera.
#pragma once

#include <windows.h>

#include "UniqueAny.h"

// Keeps the PC awake while the thread that made it writes; cleared when it goes, on every path.
class SystemAwakeRequest {
public:
    SystemAwakeRequest();
    ~SystemAwakeRequest();
    SystemAwakeRequest(const SystemAwakeRequest&) = delete;
    SystemAwakeRequest& operator=(const SystemAwakeRequest&) = delete;
};

// The reason Windows shows for a window that holds a shut-down or log-off back. Made and
// destroyed on the window's own thread, as the system requires.
class ShutdownBlockReason {
public:
    ShutdownBlockReason() = default;
    ~ShutdownBlockReason() { End(); }
    ShutdownBlockReason(const ShutdownBlockReason&) = delete;
    ShutdownBlockReason& operator=(const ShutdownBlockReason&) = delete;

    // A reason that cannot be given costs only its text: the query is refused all the same.
    void Begin(HWND window);
    void End();

private:
    HWND window_ = nullptr;
};

// Holds the camera for the calling thread's write: the library in every other process, and in
// every other thread of this one, sends nothing to the camera while the mark's mutex is owned.
// Taken and given back on the writing thread, which owns the mutex; a thread that dies with it
// abandons it, and the mark goes with the process.
class CameraWriteClaim {
public:
    CameraWriteClaim();
    ~CameraWriteClaim();
    CameraWriteClaim(const CameraWriteClaim&) = delete;
    CameraWriteClaim& operator=(const CameraWriteClaim&) = delete;

    // False when the mark could not be taken: another program holds it.
    bool held() const { return owned_; }

private:
    UniqueHandle mutex_;
    bool owned_ = false;
};
