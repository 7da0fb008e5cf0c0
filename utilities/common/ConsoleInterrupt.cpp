#include "ConsoleInterrupt.h"

#include "UniqueAny.h"

namespace {

UniqueHandle interrupted;

BOOL WINAPI OnConsoleControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) {
        return FALSE;  // closing the console or logging off ends the process as usual
    }
    SetEvent(interrupted.get());
    return TRUE;
}

}  // namespace

HANDLE InterruptEvent() {
    if (!interrupted) {
        interrupted.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (interrupted) {
            SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
        }
    }
    return interrupted.get();
}
