// Which clicks and notifications the main dialog acts on. Each counts only where it can have
// come from the operator, the camera's report or this run's worker; anything else (a click on
// a disabled button, a notification another program posted) is passed over.
#pragma once

#include <windows.h>

enum class DialogStage {
    Waiting,   // for the camera's report
    Checking,  // the device check runs; its model box may be open
    // The check reached its end: the model matched or the operator said Yes, and an image was
    // found; "Update" is enabled.
    ReadyToUpdate,
    // The check is over without that (a query failed, a model the updater does not know, no
    // image found): "Update" stays disabled for good and only Exit leads on.
    WaitingForGood,
    Updating,  // the worker runs
    Ending,    // a result is shown, or a way out has begun
};

enum class DialogInput {
    UpdateClick,
    ExitClick,
    DeviceFound,      // SYSCMD_DEVICE_FOUND
    UpdateSucceeded,  // SYSCMD_UPDATE_SUCCEEDED
    UpdateFailed,     // SYSCMD_UPDATE_FAILED
};

// `buttonEnabled`: for a click, whether its button is enabled. `postedBySource`: for a
// notification, whether its own source posted it: the library's report for the camera's, this
// run's worker (the very notification it posted) for a result.
bool InputCounts(DialogStage stage, DialogInput input, bool buttonEnabled, bool postedBySource);

// Keyboard and mouse messages: what the operator does to the window. While the dialog waits for
// the worker's end it handles every message but these.
bool IsOperatorInput(UINT message);
