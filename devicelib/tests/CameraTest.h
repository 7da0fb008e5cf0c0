// Fixture for tests that drive the simulated camera through the library.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "CamSimControl.h"
#include "DiagnosticsCapture.h"
#include "ImportPatch.h"
#include "TAVIKUtilDll.h"
#include "Transport.h"
#include "UniqueAny.h"
#include "WaitUntil.h"

// Records the connection callback's calls and lets a test wait for them.
class CallbackProbe {
public:
    CallbackProbe();
    static int __stdcall Callback(void* context);
    // Waits for a call; the bound is widened by the time scale.
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

// Counts the library's looks for present cameras while it exists: each look ends by releasing
// its device information set. A test that must see that nothing happens while the library
// polls waits for whole looks, not for a time that a slow host may not fill.
class PollCounter {
public:
    PollCounter();
    bool ok() const { return patch_.ok(); }
    // Waits until `count` more looks have ended since the object was made or last waited.
    bool WaitLooks(int count);

private:
    ImportPatch patch_;
};

using tavik::test::WaitUntil;

// The set-control request the library makes for control 0x3E.
std::vector<uint8_t> ConnectionControlWrite(uint8_t value);

constexpr DWORD kAnyCode = 0xFFFFFFFFu;
