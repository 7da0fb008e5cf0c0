#include "OrvaneUpdateApp.h"

#include <commctrl.h>

#include "CommandLineSwitch.h"
#include "OrvaneUpdateDlg.h"

COrvaneUpdateApp theApp;

BOOL COrvaneUpdateApp::InitInstance() {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);

    fw::CWinApp::InitInstance();

    simulationMode = HasSimulationSwitch(ArgumentCount(), CommandLineAfterProgram());

    {
        COrvaneUpdateDlg dialog;
        m_pMainWnd = &dialog;
        dialog.DoModal();
        m_pMainWnd = nullptr;
    }  // the dialog goes here, its bold font with it
    return FALSE;
}
