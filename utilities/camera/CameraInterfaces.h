// The cameras attached now, as the library finds them: their interface paths in the order in
// which it looks, so the first is the one it opens.
#pragma once

#include <string>
#include <vector>

// False when the list cannot be had.
bool ListCameraInterfaces(std::vector<std::wstring>* paths);
