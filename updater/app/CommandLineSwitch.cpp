#include "CommandLineSwitch.h"

bool HasSimulationSwitch(int argumentCount, const std::wstring& commandLineAfterProgram) {
    return argumentCount >= 2 && commandLineAfterProgram.find(L"/Sim") != std::wstring::npos;
}
