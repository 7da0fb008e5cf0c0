// The updater's mark of a camera being written (UpdaterObjects.h): while another thread owns
// it, in this process or any other, the library sends nothing to the camera and opens none.
#pragma once

// True while a writing thread other than the calling one owns the mark. The writing thread's
// own look takes the mutex it owns once more and gives it back, so its requests go on. One
// failed open of a name when no update writes: nothing measurable beside a request.
bool CameraWrittenElsewhere();
