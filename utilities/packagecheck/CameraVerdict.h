// The package against the attached camera: what the updater's device check would do with this
// package on this camera.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CameraIdentity.h"

struct PackageReport;

enum class UpdaterAction {
    None,          // no camera came
    EndsAtStart,   // the description cannot be read: the updater ends before any camera
    GoesAhead,     // the camera is the package's model
    WarnsAndEnds,  // a mismatch, CHECK not ON: a warning, then the program ends
    Asks,          // a mismatch, CHECK="ON": the operator is asked whether to update anyway
    // A model it does not know, or a query failed: "Update" stays disabled. Or a camera that is
    // there but cannot be opened: the dialog waits and says so on its version line.
    KeepsWaiting,
};

struct CameraVerdict {
    CameraIdentity identity;  // status NoCamera when none came within the wait
    uint32_t waitSeconds = 0;
    UpdaterAction action = UpdaterAction::None;
    // The warning or the question, as the updater's box shows it; for a camera that cannot be
    // opened, the dialog's version line.
    std::wstring message;
    bool updateEnabled = false;  // after Yes where the updater asks
    std::vector<int> sent;       // the IDs of the entries that would be sent, in order
};

// A message box's text on one line: its line breaks as blanks.
std::wstring OneLine(std::wstring text);

CameraVerdict JudgeOnCamera(const PackageReport& report, const CameraIdentity& identity,
                            uint32_t waitSeconds);

// The verdict into the report, with its notes: a mismatch that ends the program, a question, a
// camera the updater cannot identify or open.
void AddCameraVerdict(PackageReport& report, CameraVerdict verdict);
