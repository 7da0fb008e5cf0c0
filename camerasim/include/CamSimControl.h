// Control library of the simulated camera: installs and starts its kernel-mode driver in the
// Wine prefix, sets the scenario, attaches and detaches cameras, injects faults and reads back
// the journal of every request the cameras received.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "UniqueAny.h"

#include "CamSimProtocol.h"

namespace camsim {

// GUID_DEVINTERFACE_CAMERA, the interface class every attached camera registers.
constexpr GUID kCameraInterfaceGuid = {
    0x99A46FB3, 0x6E59, 0x4E87, {0x90, 0xDA, 0xF7, 0xD0, 0xC1, 0x80, 0x3D, 0xFB}};

// The driver's service: the .sys file is looked for beside the calling program.
bool InstallDriver();  // copies the .sys into system32\drivers and creates the service
bool StartDriver();    // starts it and waits until it runs; succeeds when already running
bool StopDriver();     // stops it; succeeds when not running
bool UninstallDriver();

enum class Completion : uint32_t {
    Immediate = 0,  // completed inside the dispatch routine
    Pending = 1,    // marked pending and completed by the driver's worker
};

// One request that reached a camera, in the order of arrival.
struct JournalEntry {
    uint32_t sequence = 0;
    uint32_t camera = 0;          // index returned by Attach
    uint32_t code = 0;            // the I/O control code
    uint32_t outputSize = 0;      // output size the caller gave
    int32_t status = 0;           // NTSTATUS the request was completed with
    uint32_t information = 0;     // bytes delivered to the caller
    uint32_t completedAfter = 0;  // requests received when it completed: a later `sequence`
                                  // above this one arrived after it completed
    std::vector<uint8_t> input;   // the input bytes, whole
};

class Control {
public:
    Control();  // opens the driver's control device; ok() tells whether that worked
    ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    bool ok() const;

    // Detaches every camera, clears faults, events, journal and images, restores the default
    // camera settings below and immediate completion. Attaches nothing.
    bool Reset();

    bool Attach(uint32_t* index = nullptr);  // a new camera; its interface becomes present
    // The same, done by the driver `delayMs` later; the index is reserved at once.
    bool AttachLater(uint32_t delayMs, uint32_t* index = nullptr);
    bool Detach(uint32_t index);  // interface disabled; open handles fail from now on
    bool RefuseOpen(uint32_t index, bool refuse);  // opens of its path fail with error 5

    bool SetCompletion(Completion mode);
    bool SetCompletionDelay(uint32_t milliseconds);  // pending requests complete this much later

    // Camera settings (defaults: product code 0x7012, version block 00 00 00 00 05 00 01 01 03
    // 00 00 00 02 01, transfer mode 1, 1 microsecond per written byte).
    bool SetProductCode(uint16_t code);
    bool SetVersionBlock(const uint8_t (&block)[14]);
    bool SetControlValue(uint8_t ctrlId, const void* data, uint32_t size);
    bool SetTransfer(uint8_t mode);
    bool SetWriteTime(uint32_t microsecondsPerByte);
    // Queues an event for function 1 to 5: the next query of it returns these bytes.
    bool SetEvent(uint32_t function, const void* record, uint32_t size);

    // The next `count` requests of `function` (0 to 26; 0 = for ever) fail: the camera's last
    // error becomes `driverError` and the request completes with `status` (0xC0070000 reaches
    // the caller as a failure with system error 0).
    bool SetFault(uint32_t function, uint32_t driverError, int32_t status, uint32_t count = 1);
    bool ClearFaults();
    // The next request of `function` is held until the camera it reached is detached, then fails.
    bool HoldUntilDetach(uint32_t function);
    // The next request of `function` is served as usual but completed `milliseconds` later
    // (added to a write's own time), whatever the completion mode; cleared by ClearFaults.
    bool DelayNext(uint32_t function, uint32_t milliseconds);
    // Since the last Reset: requests received, not yet completed, and completed by their
    // cancel routine; opens of a camera that reached the driver.
    bool ReadStatus(StatusRecord* status);

    bool ReadJournal(std::vector<JournalEntry>* entries);
    bool ClearJournal();
    // The bytes of the last system-data write with this selector, byte for byte.
    bool ReadImage(uint8_t selector, std::vector<uint8_t>* bytes);

    // Resets the camera and replays a recorded session (ReplayScript.h) from now on: the
    // camera appears, refuses opens, answers and goes as recorded until a request differs.
    bool LoadReplay(const std::vector<uint8_t>& script);
    bool ReadReplayStatus(ReplayStatus* status);
    // Each camera event of a replay waits this long between its check that its replay still
    // runs and its action, until the next Reset; so that a test can reset or reload in between.
    bool SetReplayEventPause(uint32_t milliseconds);

    // The camera's interface path as SetupAPI lists it (\\?\root#orvanecamsim#0000#{...}).
    bool InterfacePath(uint32_t index, std::wstring* path);

    // The demo's camera: Reset, then product 0x7012, the default version block, transfer on,
    // 20 microseconds per written byte, and one camera that attaches a second later.
    bool ApplyDefaultScenario();

private:
    bool Call(uint32_t function, const void* in, uint32_t inSize, void* out = nullptr,
              uint32_t outSize = 0, DWORD* returned = nullptr);
    bool SetValue(uint32_t function, uint32_t value);

    UniqueHandle device_;
};

// Where RefuseOpen puts the folder that shadows camera `index`'s interface path: in the
// prefix's dosdevices folder (with a trailing backslash; empty when the prefix is unknown).
std::wstring DosDevicesFolder();
std::wstring RefusalFolder(uint32_t index);

}  // namespace camsim
