// The device check's decision, from the camera's answers and the package to what the dialog
// does: the one place where it is taken, so that the package checker's prediction is the
// updater's own.
#pragma once

#include <cstdint>
#include <string>

#include "RunMessages.h"
#include "VersionText.h"

// The camera as the device check reaches it: one call per library request.
class DeviceCheckCamera {
public:
    virtual bool GetTransferMode(uint8_t* mode) = 0;
    // Called when the mode read is 1. The package checker only queries, so it leaves it on.
    virtual void SwitchTransferOff() = 0;
    virtual bool GetProductCode(uint16_t* productCode) = 0;
    virtual bool GetVersionBlock(uint8_t (&block)[kVersionBlockSize]) = 0;

protected:
    ~DeviceCheckCamera() = default;
};

// What the camera answered; a query the check did not make counts as not answered.
struct DeviceAnswers {
    bool transferRead = false;  // the check goes on without it
    uint8_t transferMode = 0;   // preset to 0, as the check reads it
    bool versionRead = false;
    uint16_t productCode = 0;
    bool blockRead = false;
    uint8_t block[kVersionBlockSize] = {};
};

// The check's requests in its order: the transfer mode (switched off if 1), the version, then
// the version block, only for a model the updater knows.
DeviceAnswers AskDeviceCheck(DeviceCheckCamera& camera);

// What the dialog knows of the package when the camera comes.
struct DevicePackage {
    std::wstring deviceName;  // the device-name label's text
    bool devNameCheck = false;
    bool anyImageFound = false;
};

enum class DeviceOutcome {
    KeepsWaiting,  // the version or its block was not read, or the model is unknown
    GoesAhead,     // the camera is the package's model
    WarnsAndEnds,  // a mismatch without the override: the warning, then the program ends
    Asks,          // a mismatch with the override: only Yes goes on
};

struct DeviceDecision {
    DeviceOutcome outcome = DeviceOutcome::KeepsWaiting;
    const wchar_t* model = nullptr;  // null unless the updater knows it
    std::wstring versionLine;        // shown and logged; empty when the check keeps waiting
    MessageBoxText box = {};         // for WarnsAndEnds and Asks
    bool updateEnabled = false;      // where it asks: after Yes
};

DeviceDecision DecideDevice(const DeviceAnswers& answers, const DevicePackage& package);
