// The device check's queries, made through the library once it has reported the camera.
#pragma once

#include "CameraIdentity.h"

// Only requests that read: the version record, the version block (control 61) and the transfer
// mode, each only if the one before it worked; after a failure the library's error code.
CameraAnswers AskCamera();
