// One updater at a time on this PC, in any session: a second one beside a waiting or writing
// updater would open the camera, write its connection control and offer "Update" too.
#pragma once

#include "UniqueAny.h"

class UpdaterRunningMark {
public:
    // Takes the PC's one updater mark for this process, held until the object goes. False when
    // another updater holds it.
    bool Claim();

private:
    UniqueHandle mutex_;
};

// Tells the operator that another updater runs, then brings that updater's dialog (or the box
// it shows) to the front. The caller then ends without touching the camera.
void DeferToRunningUpdater(const wchar_t* dialogCaption);
