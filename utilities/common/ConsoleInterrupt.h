// Ctrl+C and Ctrl+Break end a tool's wait instead of the process, so that the wait ends with its
// own status and the library still shuts down the camera's connection.
#pragma once

#include <windows.h>

// A manual-reset event that Ctrl+C or Ctrl+Break sets; the handler is installed on the first
// call. Null when no event could be made.
HANDLE InterruptEvent();
