// Where the package probably is, when the folder given holds no description: the folder that
// is the package itself, the updater's working folder, or the description's own path.
#pragma once

#include <string>

// What the file system says around the folder given.
struct FolderFacts {
    bool isFile = false;                  // the path names a file, not a folder
    bool holdsPackageFolder = false;      // FOLDER\UPDATEFILES\TAVIKUpdate.xml is there
    bool parentHoldsDescription = false;  // the folder above holds TAVIKUpdate.xml
};

// The folder above `path` as a command line would name it: "." for a bare name.
std::wstring ParentFolder(const std::wstring& path);

// One line that names what to pass instead; empty when the facts suggest nothing.
std::wstring FolderHint(const std::wstring& folder, const FolderFacts& facts);

// The facts, from the file system.
FolderFacts LookAroundFolder(const std::wstring& folder);
