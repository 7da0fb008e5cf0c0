// Removing a folder that a test made, with all it holds.
#pragma once

#include <string>

// Deletes every file and folder below `folder`, read-only files included, then the folder.
void RemoveFolderTree(const std::wstring& folder);
