// Prints the library's figures against the simulated camera: connection latency, shut-down time,
// idle scanning cost, request throughput, per-request overhead and heap use.
//
//   devicelib_benchmark [--idle-seconds N] [--only connection|requests|idle]
//
// The simulated camera's driver must be running (OrvaneCamSimCtl install-start). Under Wine part
// of every system call's work is done by wineserver, outside this process: tools/benchmark.sh
// adds that server's CPU time to the idle figure.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "CamSimControl.h"
#include "CameraWriteMark.h"
#include "Diagnostics.h"
#include "LibraryState.h"
#include "TAVIKUtilDll.h"
#include "Trace.h"
#include "Transport.h"
#include "UniqueAny.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Stats {
    double median;
    double max;
};

Stats Summarise(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples.back()};
}

// Diagnostics are not what is measured: keep them off the debugger channel.
void QuietSink(diag::Stream, const wchar_t*) {}

UniqueHandle g_connected(CreateEventW(nullptr, TRUE, FALSE, nullptr));

int __stdcall OnConnected(void*) {
    SetEvent(g_connected.get());
    return 0;
}

double ProcessCpuSeconds() {
    FILETIME creation, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        ULARGE_INTEGER v;
        v.LowPart = t.dwLowDateTime;
        v.HighPart = t.dwHighDateTime;
        return static_cast<double>(v.QuadPart) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// Bytes in busy blocks of every heap of the process.
size_t HeapInUse() {
    std::vector<HANDLE> heaps(64);
    DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    size_t busy = 0;
    for (DWORD i = 0; i < count && i < heaps.size(); ++i) {
        if (!HeapLock(heaps[i])) {
            continue;
        }
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                busy += entry.cbData;
            }
        }
        HeapUnlock(heaps[i]);
    }
    return busy;
}

bool Connect() {
    ResetEvent(g_connected.get());
    return OrvaneUtil_Init(nullptr, &OnConnected, false) &&
           WaitForSingleObject(g_connected.get(), 5000) == WAIT_OBJECT_0;
}

void ConnectionFigures(camsim::Control& sim) {
    std::vector<double> connect;
    sim.Attach();
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        if (!Connect()) {
            std::printf("connect failed\n");
            return;
        }
        connect.push_back(Ms(Clock::now() - start));
        OrvaneUtil_Uninit();
    }
    const Stats c = Summarise(connect);
    std::printf(
        "Init to callback, camera attached:      median %7.2f ms  max %7.2f ms  (goal < 10)\n",
        c.median, c.max);

    sim.Reset();
    std::vector<double> idle;
    for (int i = 0; i < 10; ++i) {
        OrvaneUtil_Init(nullptr, nullptr, false);
        Sleep(50 + 37 * i);  // stop the scan at different points of its poll period
        const auto start = Clock::now();
        OrvaneUtil_Uninit();
        idle.push_back(Ms(Clock::now() - start));
    }
    const Stats u = Summarise(idle);
    std::printf(
        "Uninit with an idle scan thread:        median %7.2f ms  max %7.2f ms  (goal <= 250)\n",
        u.median, u.max);

    constexpr int kEmpty = 10000;
    const auto start = Clock::now();
    for (int i = 0; i < kEmpty; ++i) {
        OrvaneUtil_Uninit();
    }
    std::printf(
        "Uninit with nothing started:            mean   %7.4f ms               (goal < 1)\n",
        Ms(Clock::now() - start) / kEmpty);
}

void IdleScanFigure(int seconds) {
    OrvaneUtil_Init(nullptr, nullptr, false);
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = Clock::now();
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double wall = Ms(Clock::now() - start) / 1000.0;
    OrvaneUtil_Uninit();
    std::printf(
        "CPU of idle scanning (%d s):             %7.3f %% of a core (this process; goal < 1)\n",
        seconds, 100.0 * cpu / wall);
}

double RequestsPerSecond(int threads, int callsPerThread) {
    std::atomic<int> failures{0};
    const auto start = Clock::now();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            VersionRecord version;
            for (int i = 0; i < callsPerThread; ++i) {
                if (!OrvaneUtil_GetVersion(&version)) {
                    failures.fetch_add(1);
                }
            }
        });
    }
    for (auto& w : workers) {
        w.join();
    }
    const double seconds = Ms(Clock::now() - start) / 1000.0;
    if (failures.load() != 0) {
        std::printf("  (%d requests failed)\n", failures.load());
    }
    return threads * callsPerThread / seconds;
}

// How many requests the request figures make: a tenth with --quick, for an emulated host where
// a request takes milliseconds.
struct RequestCounts {
    int throughput = 20000;
    int rounds = 20;
    int calls = 2000;
    int heap = 100000;
};

void RequestFigures(camsim::Control& sim, const RequestCounts& n) {
    sim.Reset();
    sim.Attach();
    if (!Connect()) {
        std::printf("connect failed\n");
        return;
    }
    RequestsPerSecond(1, n.throughput / 10);  // warm up
    std::printf("GetVersion, 1 thread:                   %9.0f requests/s\n",
                RequestsPerSecond(1, n.throughput));
    std::printf("GetVersion, 4 threads:                  %9.0f requests/s\n",
                RequestsPerSecond(4, n.throughput / 4));

    // The library's call beside a bare DeviceIoControl of the same code on the same handle,
    // interleaved in rounds so all three see the same conditions. The library gives every
    // request an event of its own; the second bare loop does the same, the first reuses one.
    const HANDLE device = theApp.m_hDevice.load();
    UniqueHandle shared(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    auto bareRequest = [device](HANDLE event) {
        VersionRecord version;
        OVERLAPPED overlapped{};
        overlapped.hEvent = event;
        DWORD returned = 0;
        if (!DeviceIoControl(device, RequestCode(kGetVersion), nullptr, 0, &version,
                             sizeof(version), &returned, &overlapped) &&
            GetLastError() == ERROR_IO_PENDING) {
            GetOverlappedResult(device, &overlapped, &returned, TRUE);
        }
    };
    const int kRounds = n.rounds;
    const int kCalls = n.calls;
    double library = 0;
    double bareShared = 0;
    double bareOwn = 0;
    double markLook = 0;  // the look for an update's write that precedes every request
    int markSeen = 0;
    for (int r = 0; r < kRounds; ++r) {
        VersionRecord version;
        auto start = Clock::now();
        for (int i = 0; i < kCalls; ++i) {
            OrvaneUtil_GetVersion(&version);
        }
        library += Ms(Clock::now() - start);
        start = Clock::now();
        for (int i = 0; i < kCalls; ++i) {
            bareRequest(shared.get());
        }
        bareShared += Ms(Clock::now() - start);
        start = Clock::now();
        for (int i = 0; i < kCalls; ++i) {
            UniqueHandle own(CreateEventW(nullptr, TRUE, FALSE, nullptr));
            bareRequest(own.get());
        }
        bareOwn += Ms(Clock::now() - start);
        start = Clock::now();
        for (int i = 0; i < kCalls; ++i) {
            markSeen += CameraWrittenElsewhere() ? 1 : 0;
        }
        markLook += Ms(Clock::now() - start);
    }
    const double scale = 1000.0 / (static_cast<double>(kRounds) * kCalls);
    const double perLibrary = library * scale;
    std::printf("Per request: library %.2f us\n", perLibrary);
    const std::pair<const char*, double> bares[] = {{"one event reused:", bareShared * scale},
                                                    {"an event per call:", bareOwn * scale}};
    for (const auto& bare : bares) {
        std::printf("  bare DeviceIoControl, %-18s %.2f us: library %+.1f %% (goal within 5)\n",
                    bare.first, bare.second, 100.0 * (perLibrary - bare.second) / bare.second);
    }
    if (markSeen != 0) {
        std::printf("  (an update wrote the camera meanwhile: these figures are void)\n");
    }
    std::printf(
        "  of which the look for an update's write: %.2f us (%.1f %% of the bare call "
        "with its own event)\n",
        markLook * scale, 100.0 * markLook / bareOwn);

    // The same calls with a session trace on: each one a line in a file.
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring tracePath = std::wstring(temp) + L"tavik-benchmark-trace.jsonl";
    DeleteFileW(tracePath.c_str());  // a session of its own, not one added to an earlier run's
    if (trace::BeginAt(tracePath.c_str())) {
        VersionRecord version;
        const auto start = Clock::now();
        for (int i = 0; i < kCalls * 5; ++i) {
            OrvaneUtil_GetVersion(&version);
        }
        const double traced = Ms(Clock::now() - start) * 1000.0 / (kCalls * 5);
        std::printf("  with TAVIK_TRACE set, a line per request: %.2f us (%+.1f %% over off)\n",
                    traced, 100.0 * (traced - perLibrary) / perLibrary);
    }
    trace::End();
    DeleteFileW(tracePath.c_str());

    const size_t before = HeapInUse();
    VersionRecord version;
    for (int i = 0; i < n.heap; ++i) {
        OrvaneUtil_GetVersion(&version);
    }
    const size_t after = HeapInUse();
    std::printf("Heap in use before/after %d calls: %zu / %zu bytes (goal: equal)\n", n.heap,
                before, after);
    OrvaneUtil_Uninit();
}

}  // namespace

int main(int argc, char** argv) {
    int idleSeconds = 60;
    const char* only = "";
    RequestCounts counts;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            counts = RequestCounts{2000, 4, 500, 10000};
            continue;
        }
        if (i + 1 == argc) {
            break;
        }
        if (std::strcmp(argv[i], "--idle-seconds") == 0) {
            idleSeconds = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--only") == 0) {
            only = argv[i + 1];
        }
        ++i;
    }
    auto wanted = [only](const char* part) { return *only == 0 || std::strcmp(only, part) == 0; };
    camsim::Control sim;
    if (!sim.ok() || !sim.Reset()) {
        std::fprintf(stderr, "the simulated camera's driver is not running\n");
        return 1;
    }
    diag::SetSink(&QuietSink);
    if (wanted("connection")) {
        ConnectionFigures(sim);
    }
    if (wanted("requests")) {
        RequestFigures(sim, counts);
    }
    if (wanted("idle")) {
        sim.Reset();
        IdleScanFigure(idleSeconds);
    }
    sim.Reset();
    return 0;
}
