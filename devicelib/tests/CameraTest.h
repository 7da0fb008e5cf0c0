// Fixture for tests that drive the simulated camera through the library.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "CamSimControl.h"
#include "DiagnosticsCapture.h"
#include "TAVIKUtilDll.h"
#include "Transport.h"
#include "UniqueAny.h"

// Records the connection callback's calls and lets a test wait for them.
class CallbackProbe {
public:
    CallbackProbe();
    static int __stdcall Callback(void* context);
    bool WaitCalled(DWORD timeoutMs = 5000) const;
    int count() const { return count_.load(); }
    DWORD threadId() const { return threadId_.load(); }

    // What the callback does besides counting, on the library's thread.
    void (*action)(CallbackProbe& probe) = nullptr;
    UniqueHandle release;  // an action may wait on this event

private:
    UniqueHandle called_;
    std::atomic<int> count_{0};
    std::atomic<DWORD> threadId_{0};
};

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Attaches a camera, starts the library and waits for the connection; clears the journal.
    void Connect();

    std::vector<camsim::JournalEntry> Journal();
    std::vector<camsim::JournalEntry> Requests(RequestFunction function);
    camsim::StatusRecord Status();
    // Waits until `count` requests are with the camera, not yet completed.
    bool WaitOutstanding(uint32_t count, DWORD timeoutMs = 5000);

    camsim::Control sim;
    DiagnosticsCapture diagnostics;
    CallbackProbe probe;
    uint32_t camera = 0;
};

// Waits for a condition that nothing announces (a thread's last steps after its End line).
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);

// The set-control request the library makes for control 0x3E.
std::vector<uint8_t> ConnectionControlWrite(uint8_t value);

constexpr DWORD kAnyCode = 0xFFFFFFFFu;
