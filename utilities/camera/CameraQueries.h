// The device check's queries, made through the library once it has reported the camera.
#pragma once

#include "CameraIdentity.h"

enum class BlockQuery {
    AsTheUpdater,  // only for a model the updater knows
    EveryModel,    // also for one it does not, after the updater's queries: its raw bytes
};

// The updater's device check, in its order (transfer mode, version, version block), with one
// difference: the transfer is never switched off. After a failed query the library's code.
CameraAnswers AskCamera(BlockQuery blockQuery);
