// Prints the updater's figures for one large image against the simulated camera:
//   - the time TAVIKUpdate adds beyond the camera's own write (a bare library call of the same
//     image, measured first in this process);
//   - the updater's peak private memory, against the padded image;
//   - the longest time the dialog's thread took to answer a message during the write;
//   - the progress timer's tick period.
//
//   updater_benchmark [--mib N] [--us-per-byte N]
//
// The simulated camera's driver must be running (OrvaneCamSimCtl install-start); TAVIKUpdate.exe
// and TAVIKUtilDll.dll are taken from beside this program. It prints; it does not judge.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <numeric>
#include <thread>
#include <vector>

#include "CamSimControl.h"
#include "ChildProcess.h"
#include "MessageBoxReadout.h"
#include "PackageText.h"
#include "ProcessWindows.h"
#include "TAVIKUtilDll.h"
#include "UniqueAny.h"
#include "Wait.h"
#include "WindowReadout.h"
#include "WorkFolder.h"
#include "resource.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

UniqueHandle g_connected(CreateEventW(nullptr, TRUE, FALSE, nullptr));

int __stdcall OnConnected(void*) {
    SetEvent(g_connected.get());
    return 0;
}

std::vector<uint8_t> Image(size_t size) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = 0x2545F491u;
    for (auto& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(state >> 24);
    }
    return bytes;
}

// The camera's own time for the image: one request from this process, as the updater makes it.
double BareWriteMs(const std::vector<uint8_t>& image) {
    ResetEvent(g_connected.get());
    if (!OrvaneUtil_Init(nullptr, &OnConnected, false) ||
        WaitForSingleObject(g_connected.get(), 20000) != WAIT_OBJECT_0) {
        OrvaneUtil_Uninit();
        return -1;
    }
    SystemDataRecord record = {};
    record.selector = 1;
    record.data = image.data();
    record.length = static_cast<uint32_t>(image.size());
    OrvaneUtil_SetTimeOutInfo(600000);
    const auto start = Clock::now();
    const bool ok = OrvaneUtil_SetSystemData(&record);
    const double ms = Ms(Clock::now() - start);
    OrvaneUtil_SetTimeOutInfo(20000);
    OrvaneUtil_Uninit();
    return ok ? ms : -1;
}

// Committed private memory of another process, region by region (Wine does not report the
// process's private usage to another process).
size_t PrivateBytes(HANDLE process) {
    size_t total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* address = nullptr;
         VirtualQueryEx(process, address, &region, sizeof(region)) == sizeof(region);
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
            total += region.RegionSize;
        }
        if (region.RegionSize == 0) {
            break;
        }
    }
    return total;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    size_t mib = 32;
    uint32_t usPerByte = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::wcscmp(argv[i], L"--mib") == 0) {
            mib = static_cast<size_t>(std::wcstoul(argv[i + 1], nullptr, 10));
        } else if (std::wcscmp(argv[i], L"--us-per-byte") == 0) {
            usPerByte = static_cast<uint32_t>(std::wcstoul(argv[i + 1], nullptr, 10));
        }
    }
    camsim::Control sim;
    if (!sim.ok() || !sim.Reset() || !sim.SetWriteTime(usPerByte) || !sim.Attach()) {
        std::fprintf(stderr, "the simulated camera's driver is not running\n");
        return 1;
    }
    const std::vector<uint8_t> image = Image(mib * 1024 * 1024 + 1);  // padding to show
    std::printf("TAVIKUpdate, one image of %zu bytes, camera %u us per byte\n", image.size(),
                usPerByte);

    const double bareMs = BareWriteMs(image);
    std::printf("  camera's own write (bare library call):  %10.1f ms\n", bareMs);

    e2e::WorkFolder folder;
    if (!folder.Create()) {
        std::fprintf(stderr, "no working folder: %s\n", folder.problem().c_str());
        return 1;
    }
    e2e::Package package;
    package.title = L"Benchmark";
    package.devName = L"ZP-Na7";
    package.entries.push_back({L"1", L"1", L"Big image", L"big.bin", std::wstring(L"3600")});
    folder.WriteDescription(e2e::PackageXml(package));
    folder.WriteImage(L"big.bin", image);

    tavik::test::ChildProcess updater;
    if (!updater.Start(folder.ProgramPath(), L"", folder.Path())) {
        std::fprintf(stderr, "TAVIKUpdate.exe could not be started\n");
        return 1;
    }
    HWND dialog = nullptr;
    e2e::WaitUntil(
        [&] {
            dialog = e2e::FindTopLevel(updater.id(), L"#32770", L"TAVIK Update 1.0.0");
            return dialog != nullptr;
        },
        30000);
    HWND update = GetDlgItem(dialog, IDC_UPDATE);
    HWND progress = GetDlgItem(dialog, IDC_PROGRESS);
    if (dialog == nullptr || !e2e::WaitUntil([&] { return e2e::IsEnabled(update); }, 30000)) {
        std::fprintf(stderr, "the updater did not identify the camera\n");
        return 1;
    }
    UniqueHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, updater.id()));
    const size_t privateBefore = PrivateBytes(process.get());

    // During the run: the dialog's answer time, the bar's ticks, the private memory.
    std::atomic<bool> running{true};
    std::vector<double> answers;
    std::vector<Clock::time_point> ticks;
    size_t peakPrivate = privateBefore;
    std::thread watcher([&] {
        int lastPosition = 0;
        while (running.load()) {
            const auto before = Clock::now();
            DWORD_PTR result = 0;
            if (SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result)) {
                answers.push_back(Ms(Clock::now() - before));
            }
            const auto position = e2e::ProgressPosition(progress);
            // One step is a tick; the jump to the full bar at the end is not.
            if (position && *position == lastPosition + 1) {
                ticks.push_back(Clock::now());
            }
            if (position) {
                lastPosition = *position;
            }
            peakPrivate = std::max(peakPrivate, PrivateBytes(process.get()));
            Sleep(10);
        }
    });

    const auto clicked = Clock::now();
    e2e::Click(update, e2e::Delivery::Posted);
    HWND box = nullptr;
    e2e::WaitUntil(
        [&] {
            box = e2e::FindMessageBox(updater.id(), L"Finished", dialog);
            return box != nullptr;
        },
        static_cast<DWORD>(bareMs * 3 + 60000), 2);
    const double runMs = Ms(Clock::now() - clicked);
    running.store(false);
    watcher.join();
    if (box == nullptr) {
        std::fprintf(stderr, "the update did not finish\n");
        return 1;
    }
    e2e::AnswerMessageBox(box, IDOK);
    updater.WaitExit(30000);

    const double padded = static_cast<double>((image.size() + 3) & ~size_t{3});
    std::printf("  click to \"Finished\":                      %10.1f ms\n", runMs);
    std::printf(
        "  added by the updater:                     %10.1f ms (%.2f %% of the write; "
        "goal < 1 %%)\n",
        runMs - bareMs, 100.0 * (runMs - bareMs) / bareMs);
    std::printf("  private memory before the write:          %10.1f MiB\n",
                static_cast<double>(privateBefore) / 1048576.0);
    std::printf(
        "  peak private memory during the write:     %10.1f MiB (padded image %.1f MiB; "
        "goal < image + 8 MiB)\n",
        static_cast<double>(peakPrivate) / 1048576.0, padded / 1048576.0);
    if (!answers.empty()) {
        std::printf(
            "  dialog's answer to a message, longest:    %10.1f ms over %zu messages "
            "(goal < 50 ms)\n",
            *std::max_element(answers.begin(), answers.end()), answers.size());
    }
    if (ticks.size() >= 3) {
        std::vector<double> periods;
        for (size_t i = 1; i < ticks.size(); ++i) {
            periods.push_back(Ms(ticks[i] - ticks[i - 1]));
        }
        const double mean = std::accumulate(periods.begin(), periods.end(), 0.0) /
                            static_cast<double>(periods.size());
        const auto [low, high] = std::minmax_element(periods.begin(), periods.end());
        std::printf(
            "  progress tick period:                     %10.1f ms mean, %.1f to %.1f "
            "over %zu ticks (goal 500 ms +- 10 %%)\n",
            mean, *low, *high, periods.size());
    }
    sim.Reset();
    return 0;
}
