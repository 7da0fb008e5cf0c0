#include "Trace.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

#include "Diagnostics.h"
#include "PlatformSha256.h"
#include "RequestCodes.h"
#include "TAVIKUtilDll.h"
#include "TavikVersion.h"
#include "ThisProgramPath.h"
#include "TraceFormat.h"
#include "TraceTarget.h"
#include "TraceWriter.h"

namespace trace {
namespace {

// One OrvaneUtil_Init's session.
struct Session {
    Writer* writer = nullptr;
    LARGE_INTEGER origin{};  // the header line's moment
    LARGE_INTEGER frequency{};
    std::atomic<uint32_t> sequence{0};  // of the last request issued
    // The last camera interface seen, under `lock`, which guards nothing else.
    SRWLOCK lock = SRWLOCK_INIT;
    std::string cameraPath;
};

// Set by Begin and taken back by End, which OrvaneUtil_Uninit calls once no other call into the
// library runs: a request's thread finds it unchanged for as long as the request lasts.
std::atomic<Session*> g_session{nullptr};

// The export named by a Caller, and its thread. No thread-local storage: the library is loaded
// and unloaded by its callers, and a thread's storage would outlive an unload. The two Callers
// never overlap: OrvaneUtil_Uninit stops the scan before its own write.
std::atomic<const char*> g_callerName{nullptr};
std::atomic<DWORD> g_callerThread{0};

uint64_t MicrosecondsSince(const Session& session, const LARGE_INTEGER& from) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (session.frequency.QuadPart == 0) {
        return 0;
    }
    return static_cast<uint64_t>(now.QuadPart - from.QuadPart) * 1000000ull /
           static_cast<uint64_t>(session.frequency.QuadPart);
}

uint64_t Milliseconds(const Session& session) {
    return MicrosecondsSince(session, session.origin) / 1000;
}

std::string UtcNow() {
    SYSTEMTIME time;
    GetSystemTime(&time);
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", time.wYear,
                  time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond,
                  time.wMilliseconds);
    return text;
}

std::string ProgramName() {
    const std::wstring path = ThisProgramPath();
    return Utf8(path.substr(path.find_last_of(L"\\/") + 1));
}

// Bytes of this process read safely: a caller's bad pointer costs the copy, not the process.
bool CopyOf(const void* address, uint32_t size, std::vector<uint8_t>* bytes) {
    bytes->resize(size);
    SIZE_T read = 0;
    return size == 0 ||
           (ReadProcessMemory(GetCurrentProcess(), address, bytes->data(), size, &read) &&
            read == size);
}

// SHA-256 of bytes of this process, read safely; "unreadable" when they cannot be read whole,
// or when the platform gives no digest.
std::string DigestOf(const void* address, uint32_t size) {
    Sha256 sha;
    std::vector<uint8_t> chunk;
    for (uint32_t done = 0; sha.ok() && done < size;) {
        const uint32_t part = std::min<uint32_t>(size - done, 64 * 1024);
        if (!CopyOf(static_cast<const uint8_t*>(address) + done, part, &chunk)) {
            return "unreadable";
        }
        sha.Add(chunk.data(), part);
        done += part;
    }
    const std::string digest = sha.Finish();
    return digest.empty() ? std::string("unreadable") : digest;
}

// Copied as they are, or beyond the largest copied by their digest; "unreadable" stands for
// bytes that cannot be read.
void Take(const void* address, uint32_t size, std::vector<uint8_t>* bytes, std::string* sha256) {
    if (size > kLargestCopiedInput || !CopyOf(address, size, bytes)) {
        bytes->clear();
        *sha256 = DigestOf(address, size);
    }
}

bool BeginSession(const std::wstring& path) {
    auto* session = new (std::nothrow) Session;
    if (session == nullptr) {
        return false;
    }
    QueryPerformanceFrequency(&session->frequency);
    QueryPerformanceCounter(&session->origin);
    session->writer = StartWriter(path, HeaderLine(TAVIK_VERSION_STRING, ProgramName(), UtcNow()));
    Session* none = nullptr;
    if (session->writer != nullptr && g_session.compare_exchange_strong(none, session)) {
        return true;
    }
    if (session->writer != nullptr) {
        Finish(session->writer);  // another Init's session came first
    }
    delete session;
    return false;
}

void HandLine(std::string line) {
    Session* session = g_session.load();
    if (session != nullptr) {
        Hand(session->writer, std::move(line));
    }
}

}  // namespace

bool Begin() {
    if (On()) {
        return false;
    }
    const std::wstring variable = ReadTraceVariable();
    if (variable.empty()) {
        return false;
    }
    std::wstring problem;
    const std::wstring path = TraceFilePath(variable, &problem);
    if (path.empty()) {
        diag::Write(diag::Stream::Debugger, (problem + L"\r\n").c_str());
        return false;
    }
    return BeginSession(path);
}

bool BeginAt(const wchar_t* path) {
    return !On() && BeginSession(path);
}

void End() {
    Session* session = g_session.exchange(nullptr);
    if (session != nullptr) {
        Finish(session->writer);
        delete session;
    }
}

bool On() {
    return g_session.load(std::memory_order_relaxed) != nullptr;
}

Caller::Caller(const char* name) {
    g_callerName.store(name);
    g_callerThread.store(GetCurrentThreadId());
}

Caller::~Caller() {
    g_callerThread.store(0);
}

void Camera(const char* event, const wchar_t* path, DWORD error) {
    Session* session = g_session.load();
    if (session == nullptr) {
        return;
    }
    std::string camera;
    AcquireSRWLockExclusive(&session->lock);
    if (path != nullptr) {
        session->cameraPath = Utf8(path);
    }
    camera = session->cameraPath;
    ReleaseSRWLockExclusive(&session->lock);
    HandLine(CameraLine(Milliseconds(*session), event, camera, error));
}

Request::Request(uint32_t function, const void* input, uint32_t inputSize) {
    Session* session = g_session.load();
    if (session == nullptr) {
        return;  // without a trace, the one cost of a request
    }
    active_ = true;
    function_ = function;
    sequence_ = session->sequence.fetch_add(1) + 1;
    caller_ =
        g_callerThread.load() == GetCurrentThreadId() ? g_callerName.load() : ExportOf(function);
    inputSize_ = input != nullptr ? inputSize : 0;
    if (function == kSetSystemData && inputSize_ == sizeof(SystemDataRecord)) {
        // The image lies behind the record's pointer, which differs from run to run: the trace
        // keeps the record without it, and the image (or its digest) beside.
        SystemDataRecord record = {};
        if (CopyOf(input, sizeof(record), &input_)) {
            std::memcpy(&record, input_.data(), sizeof(record));
            const void* image = record.data;
            record.data = nullptr;
            input_.assign(reinterpret_cast<const uint8_t*>(&record),
                          reinterpret_cast<const uint8_t*>(&record) + sizeof(record));
            image_ = true;
            imageSize_ = record.length;
            Take(image, record.length, &imageBytes_, &imageSha256_);
        } else {
            inputSha256_ = "unreadable";
        }
    } else {
        Take(input, inputSize_, &input_, &inputSha256_);
    }
    QueryPerformanceCounter(&start_);
}

void Request::Completed(bool ok, DWORD error, const void* output, DWORD outputSize,
                        DWORD returned) {
    Session* session = g_session.load();
    if (!active_ || session == nullptr) {
        return;
    }
    RequestFields fields;
    fields.microseconds = MicrosecondsSince(*session, start_);
    fields.ms = Milliseconds(*session);
    fields.sequence = sequence_;
    fields.caller = caller_;
    fields.code = RequestCode(function_);
    fields.ok = ok;
    fields.error = ok ? 0 : error;
    fields.input = input_.data();
    fields.inputSize = inputSize_;
    fields.inputSha256 = inputSha256_;
    fields.image = image_;
    fields.imageBytes = imageBytes_.data();
    fields.imageSize = imageSize_;
    fields.imageSha256 = imageSha256_;
    // What the driver delivered: all of it on success, and with a warning's partial reply.
    std::vector<uint8_t> delivered;
    if ((ok || error == ERROR_MORE_DATA) && output != nullptr &&
        !CopyOf(output, std::min(returned, outputSize), &delivered)) {
        delivered.clear();
    }
    fields.output = delivered.data();
    fields.returned = static_cast<uint32_t>(delivered.size());
    HandLine(RequestLine(fields));
}

}  // namespace trace
