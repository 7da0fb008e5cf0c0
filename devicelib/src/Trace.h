// The session trace. When TAVIK_TRACE names a file, every contact with the camera is written
// there, one JSON line each (TraceFormat.h): a technician sends the file in, and the simulated
// camera can replay it. Without the variable the library only looks for it once, at
// OrvaneUtil_Init, and does nothing per request. A file that cannot be created or written
// costs the trace and nothing else: the library says so once in its diagnostics.
#pragma once

#include <windows.h>

#include <cstdint>

namespace trace {

// Looks at TAVIK_TRACE, the first time only.
void Start();
bool On();

// Starts a trace into `path` (null: the variable's file, if any) whatever came before, or
// ends it; for tests.
void StartAt(const wchar_t* path);
void Stop();

// The export on whose behalf the requests of this thread are made while the object lives,
// where the request's own function would name another (the connection control written by
// OrvaneUtil_Init's scan and by OrvaneUtil_Uninit).
class Caller {
public:
    explicit Caller(const char* name);
    ~Caller();
    Caller(const Caller&) = delete;
    Caller& operator=(const Caller&) = delete;
};

// "found", "opened", "open-failed", "removed", "closed"; a null path is the last one seen.
void Camera(const char* event, const wchar_t* path, DWORD error = 0);

// One request to the driver, made and timed: as SendDeviceRequest, written to the trace.
BOOL TracedRequest(HANDLE device, uint32_t function, const void* input, DWORD inputSize,
                   void* output, DWORD outputSize, DWORD* bytesReturned);

}  // namespace trace
