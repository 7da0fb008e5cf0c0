// The camera library of TAVIKPackageCheck. Only --camera needs TAVIKUtilDll.dll, so the tool
// does not import it: an offline check starts without the library beside it. The library's
// functions that the camera code calls are defined in CameraLibrary.cpp and go to the DLL once
// it is bound.
#pragma once

#include <string>

// Loads TAVIKUtilDll.dll from this program's own folder, never from anywhere else. False, with
// one line for a person that names the file looked for and why it cannot be used.
bool BindCameraLibrary(std::wstring* problem);
