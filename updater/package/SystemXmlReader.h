// The platform's XML pull reader, from the system folder's xmllite.dll. xmllite.dll is not a
// known DLL: imported, it would be looked for beside the program first, where anyone may have
// put one.
#pragma once

#include <windows.h>
#include <xmllite.h>

// A new reader with the default allocator; on failure an HRESULT that says why (the DLL or its
// function could not be had, or the reader could not be made) and *reader null.
HRESULT CreateSystemXmlReader(IXmlReader** reader);
