// The application: prepares the common controls, notes the "/Sim" switch and runs the dialog.
#pragma once

#include "Application.h"
#include "SingleUpdater.h"

class COrvaneUpdateApp : public fw::CWinApp {
public:
    bool simulationMode = false;  // handed to the library's start, which ignores it

    BOOL InitInstance() override;
    int ExitInstance() override { return exitStatus_; }

    // A run whose write failed after the program had been told to end: no script may read
    // its end as a success.
    void SetExitStatus(int status) { exitStatus_ = status; }

private:
    UpdaterRunningMark runningMark_;  // held from the start to the end
    int exitStatus_ = 0;
};

extern COrvaneUpdateApp theApp;
