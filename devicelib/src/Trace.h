// The session trace. When TAVIK_TRACE names a file, each OrvaneUtil_Init adds a session to it
// (TraceTarget.h): every contact with the camera until OrvaneUtil_Uninit, one JSON line each
// (TraceFormat.h), for a technician to send in and the simulated camera to replay. Without the
// variable the library looks for it at OrvaneUtil_Init and does nothing per request. The trace
// observes: what a request sends is copied before it is sent, its outcome recorded after, and
// the lines are written by a thread of their own (TraceWriter.h). A trace that cannot be made
// or written costs the trace and nothing else: the library says so on its diagnostics.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace trace {

// OrvaneUtil_Init: a session into TAVIK_TRACE's file, unless one runs. True when it started
// one, which End then ends.
bool Begin();
// A session into `path` whatever the variable says, unless one runs; for tests.
bool BeginAt(const wchar_t* path);
// OrvaneUtil_Uninit: writes what is left, in a bounded time, and closes the file.
void End();
bool On();

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

// One request as the trace sees it: made before the request is sent, with a copy of what it
// sends (the caller's buffer may receive the reply, or not be readable at all) and its sequence
// number; Completed after, with the outcome. Does nothing while no session runs.
class Request {
public:
    Request(uint32_t function, const void* input, uint32_t inputSize);
    void Completed(bool ok, DWORD error, const void* output, DWORD outputSize, DWORD returned);

private:
    bool active_ = false;
    uint32_t function_ = 0;
    uint32_t sequence_ = 0;
    const char* caller_ = nullptr;
    LARGE_INTEGER start_{};
    std::vector<uint8_t> input_;
    uint32_t inputSize_ = 0;
    std::string inputSha256_;  // instead of the bytes, beyond the largest copied
    bool image_ = false;       // a system-data write: the image behind its record
    std::vector<uint8_t> imageBytes_;
    uint32_t imageSize_ = 0;
    std::string imageSha256_;
};

}  // namespace trace
