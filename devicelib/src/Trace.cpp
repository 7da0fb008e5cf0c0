#include "Trace.h"

#include <bcrypt.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "Diagnostics.h"
#include "TAVIKUtilDll.h"
#include "TavikVersion.h"
#include "ThisProgramPath.h"
#include "TraceFormat.h"
#include "Transport.h"
#include "UniqueAny.h"

namespace trace {
namespace {

std::atomic<bool> g_on{false};
SRWLOCK g_lock = SRWLOCK_INIT;
// Under g_lock:
HANDLE g_file = INVALID_HANDLE_VALUE;
std::wstring g_path;        // of the trace file
std::wstring g_cameraPath;  // the last camera interface seen
LARGE_INTEGER g_origin{};   // the first line's moment
LARGE_INTEGER g_frequency{};

// The export named by a Caller, and its thread. No thread-local storage: the library is loaded
// and unloaded by its callers, and a thread's storage would outlive an unload. The two Callers
// never overlap: OrvaneUtil_Uninit stops the scan before its own write.
std::atomic<const char*> g_callerName{nullptr};
std::atomic<DWORD> g_callerThread{0};

class Exclusive {
public:
    Exclusive() { AcquireSRWLockExclusive(&g_lock); }
    ~Exclusive() { ReleaseSRWLockExclusive(&g_lock); }
    Exclusive(const Exclusive&) = delete;
    Exclusive& operator=(const Exclusive&) = delete;
};

void Say(const std::wstring& line) {
    diag::Write(diag::Stream::Debugger, line.c_str());
}

// Under g_lock.
void CloseFile() {
    g_on.store(false);
    if (g_file != INVALID_HANDLE_VALUE) {
        CloseHandle(g_file);
        g_file = INVALID_HANDLE_VALUE;
    }
}

// Under g_lock. A line goes whole or the trace ends: a full disk must not leave half a line
// that a reader would take for a fault of the camera.
void WriteLocked(const std::string& line) {
    if (g_file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    if (!WriteFile(g_file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
        written != line.size()) {
        const DWORD error = GetLastError();
        Say(diag::Format(L"TAVIK_TRACE: writing %ls failed (error %lu); the trace ends here\r\n",
                         g_path.c_str(), static_cast<unsigned long>(error)));
        CloseFile();
    }
}

uint64_t MicrosecondsSince(const LARGE_INTEGER& from) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (g_frequency.QuadPart == 0) {
        return 0;
    }
    return static_cast<uint64_t>(now.QuadPart - from.QuadPart) * 1000000ull /
           static_cast<uint64_t>(g_frequency.QuadPart);
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

void OpenLocked(const std::wstring& path) {
    CloseFile();
    g_path = path;
    g_file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (g_file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        Say(diag::Format(L"TAVIK_TRACE: cannot create %ls (error %lu); no trace is written\r\n",
                         path.c_str(), static_cast<unsigned long>(error)));
        return;
    }
    QueryPerformanceFrequency(&g_frequency);
    QueryPerformanceCounter(&g_origin);
    g_on.store(true);
    WriteLocked(HeaderLine(TAVIK_VERSION_STRING, ProgramName(), UtcNow()));
}

std::wstring VariablePath() {
    wchar_t path[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableW(L"TAVIK_TRACE", path, MAX_PATH * 2);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(path, length) : std::wstring();
}

// SHA-256 of `size` bytes at `address` in this process, read through ReadProcessMemory so that
// a caller's bad pointer costs the digest, not the process. Empty when it cannot be had.
// bcrypt.dll is loaded only here, so a library without a trace imports nothing more.
std::string Sha256(const void* address, uint32_t size) {
    using Open = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG);
    using Create = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG, PUCHAR,
                                     ULONG, ULONG);
    using Data = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
    using Finish = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
    using Destroy = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE);
    using Close = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, ULONG);
    static const HMODULE bcrypt = LoadLibraryW(L"bcrypt.dll");
    if (bcrypt == nullptr) {
        return std::string();
    }
    const auto open = reinterpret_cast<Open>(
        reinterpret_cast<void*>(GetProcAddress(bcrypt, "BCryptOpenAlgorithmProvider")));
    const auto create = reinterpret_cast<Create>(
        reinterpret_cast<void*>(GetProcAddress(bcrypt, "BCryptCreateHash")));
    const auto data =
        reinterpret_cast<Data>(reinterpret_cast<void*>(GetProcAddress(bcrypt, "BCryptHashData")));
    const auto finish = reinterpret_cast<Finish>(
        reinterpret_cast<void*>(GetProcAddress(bcrypt, "BCryptFinishHash")));
    const auto destroy = reinterpret_cast<Destroy>(
        reinterpret_cast<void*>(GetProcAddress(bcrypt, "BCryptDestroyHash")));
    const auto close = reinterpret_cast<Close>(
        reinterpret_cast<void*>(GetProcAddress(bcrypt, "BCryptCloseAlgorithmProvider")));
    if (!open || !create || !data || !finish || !destroy || !close) {
        return std::string();
    }
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (open(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0) {
        return std::string();
    }
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool good = create(algorithm, &hash, nullptr, 0, nullptr, 0, 0) >= 0;
    std::vector<uint8_t> chunk(64 * 1024);
    for (uint32_t done = 0; good && done < size;) {
        const uint32_t part = std::min<uint32_t>(size - done, static_cast<uint32_t>(chunk.size()));
        SIZE_T read = 0;
        good = ReadProcessMemory(GetCurrentProcess(), static_cast<const uint8_t*>(address) + done,
                                 chunk.data(), part, &read) &&
               read == part && data(hash, chunk.data(), part, 0) >= 0;
        done += part;
    }
    uint8_t digest[32] = {};
    good = good && finish(hash, digest, sizeof(digest), 0) >= 0;
    if (hash != nullptr) {
        destroy(hash);
    }
    close(algorithm, 0);
    return good ? Hex(digest, sizeof(digest)) : std::string();
}

// What stands for bytes too large to copy: their digest, or a word that says it could not be had.
std::string DigestOf(const void* address, uint32_t size) {
    const std::string digest = Sha256(address, size);
    return digest.empty() ? std::string("unreadable") : digest;
}

// Bytes of this process read safely; empty when they cannot be read.
std::vector<uint8_t> Copy(const void* address, uint32_t size) {
    std::vector<uint8_t> bytes(size);
    SIZE_T read = 0;
    if (size > 0 && (!ReadProcessMemory(GetCurrentProcess(), address, bytes.data(), size, &read) ||
                     read != size)) {
        bytes.clear();
    }
    return bytes;
}

BOOL CALLBACK StartOnce(PINIT_ONCE, PVOID, PVOID*) {
    const std::wstring path = VariablePath();
    if (!path.empty()) {
        const Exclusive lock;
        OpenLocked(path);
    }
    return TRUE;
}

}  // namespace

void Start() {
    static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
    InitOnceExecuteOnce(&once, &StartOnce, nullptr, nullptr);
}

bool On() {
    return g_on.load(std::memory_order_relaxed);
}

void StartAt(const wchar_t* path) {
    const Exclusive lock;
    OpenLocked(path != nullptr ? path : VariablePath());
}

void Stop() {
    const Exclusive lock;
    CloseFile();
}

Caller::Caller(const char* name) {
    g_callerName.store(name);
    g_callerThread.store(GetCurrentThreadId());
}

Caller::~Caller() {
    g_callerThread.store(0);
}

void Camera(const char* event, const wchar_t* path, DWORD error) {
    if (!On()) {
        return;
    }
    const Exclusive lock;
    if (path != nullptr) {
        g_cameraPath = path;
    }
    WriteLocked(CameraLine(MicrosecondsSince(g_origin) / 1000, event, Utf8(g_cameraPath), error));
}

BOOL TracedRequest(HANDLE device, uint32_t function, const void* input, DWORD inputSize,
                   void* output, DWORD outputSize, DWORD* bytesReturned) {
    DWORD returned = 0;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    const BOOL ok = SendDeviceRequest(device, RequestCode(function), input, inputSize, output,
                                      outputSize, &returned);
    const DWORD error = ok ? 0 : GetLastError();
    const uint64_t microseconds = MicrosecondsSince(start);
    if (bytesReturned != nullptr) {
        *bytesReturned = returned;
    }

    RequestFields fields;
    fields.caller =
        g_callerThread.load() == GetCurrentThreadId() ? g_callerName.load() : ExportOf(function);
    fields.code = RequestCode(function);
    fields.ok = ok != FALSE;
    fields.error = error;
    fields.microseconds = microseconds;
    // What the driver delivered: all of it on success, and with a warning's partial reply.
    const bool delivered = ok || error == ERROR_MORE_DATA;
    fields.output = static_cast<const uint8_t*>(output);
    fields.returned = delivered && output != nullptr ? std::min(returned, outputSize) : 0;

    std::vector<uint8_t> record;
    std::vector<uint8_t> image;
    if (function == kSetSystemData && input != nullptr && inputSize == sizeof(SystemDataRecord)) {
        // The image lies behind the record's pointer, which differs from run to run: the trace
        // keeps the record without it, and the image (or its digest) beside.
        SystemDataRecord copy = *static_cast<const SystemDataRecord*>(input);
        const void* data = copy.data;
        copy.data = nullptr;
        record.assign(reinterpret_cast<const uint8_t*>(&copy),
                      reinterpret_cast<const uint8_t*>(&copy) + sizeof(copy));
        fields.image = true;
        fields.imageSize = copy.length;
        if (copy.length > kLargestCopiedInput) {
            fields.imageSha256 = DigestOf(data, copy.length);
        } else {
            image = Copy(data, copy.length);
            fields.imageBytes = image.data();
            fields.imageSize = static_cast<uint32_t>(image.size());
        }
        fields.input = record.data();
        fields.inputSize = static_cast<uint32_t>(record.size());
    } else {
        fields.input = static_cast<const uint8_t*>(input);
        fields.inputSize = input != nullptr ? inputSize : 0;
        if (fields.inputSize > kLargestCopiedInput) {
            fields.inputSha256 = DigestOf(input, inputSize);
        }
    }
    {
        const Exclusive lock;
        fields.ms = MicrosecondsSince(g_origin) / 1000;
        WriteLocked(RequestLine(fields));
    }
    SetLastError(error);
    return ok;
}

}  // namespace trace
