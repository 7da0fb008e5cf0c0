// PLACEHOLDER, to be replaced by the real application: an application object that starts
// nothing, so the program, its framework and its resources can be built and checked.
#include "Application.h"

class COrvaneUpdateApp : public fw::CWinApp {
public:
    BOOL InitInstance() override {
        fw::CWinApp::InitInstance();
        return FALSE;
    }
};

COrvaneUpdateApp theApp;
