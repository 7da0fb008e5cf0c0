#pragma once

#include <string>

// Whether the command line after the program name holds "/Sim": case-sensitive, anywhere, so
// an argument that only begins with it counts too. With no argument it is not looked at.
bool HasSimulationSwitch(int argumentCount, const std::wstring& commandLineAfterProgram);
