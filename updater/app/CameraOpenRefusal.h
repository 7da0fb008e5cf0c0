// A camera that is there but will not open (access denied, another program holding it): what
// the library says of it, and the sentence the dialog and the tools show for it.
#pragma once

#include <windows.h>

#include <string>

// The reason for a refused open, from the error the library leaves when asked while no camera
// is open (see AskOpenRefusal in LibraryCamera.h); 0 when none is there, or one is open.
DWORD OpenRefusalOf(DWORD libraryError);

// "Camera found but cannot be opened: Access is denied. (system error 5)".
std::wstring OpenRefusedLine(DWORD refusal);
