// The application: prepares the common controls, notes the "/Sim" switch and runs the dialog.
#pragma once

#include "Application.h"

class COrvaneUpdateApp : public fw::CWinApp {
public:
    bool simulationMode = false;  // handed to the library's start, which ignores it

    BOOL InitInstance() override;
};

extern COrvaneUpdateApp theApp;
