#include "Application.h"

#include "CommandLine.h"
#include "Dialog.h"
#include "SystemLibrary.h"

namespace fw {

namespace {
CWinApp* g_application = nullptr;
}

CWinApp::CWinApp() {
    if (g_application == nullptr) {
        g_application = this;
    }
}

CWinApp::~CWinApp() {
    if (g_application == this) {
        g_application = nullptr;
    }
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::Run(HINSTANCE instance) {
    instance_ = instance;
    CommandLineArguments arguments = ReadCommandLine(GetCommandLineW());
    argumentCount_ = arguments.count;
    arguments_ = std::move(arguments.tail);

    if (!InitInstance()) {
        // m_pMainWnd is not touched: a dialog that lived in InitInstance's frame is gone.
        return ExitInstance();
    }
    MSG message;
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) {
            return -1;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

CWinApp* AfxGetApp() {
    return g_application;
}

}  // namespace fw

// The entry point lives beside the application object on purpose: the program's global
// application object pulls this file out of the static library, and with it wWinMain, which the
// C runtime's start-up asks for only after the program's own libraries have been searched.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything else: a DLL loaded by name from now on, by the program or by a system DLL
    // on its behalf, never comes from the program's folder.
    LoadLibrariesFromSystemFolderOnly();
    fw::CWinApp* application = fw::AfxGetApp();
    if (application == nullptr) {
        return -1;
    }
    return application->Run(instance);
}
