// Files that the build puts beside the test program: every program and library of the build
// lands in one folder.
#pragma once

#include <string>

// The folder of this program, without a trailing backslash; empty when it is unknown.
std::wstring ThisProgramFolder();

// The full path of `name` in the folder of this program; empty when that folder is unknown.
std::wstring BesideThisProgram(const wchar_t* name);
