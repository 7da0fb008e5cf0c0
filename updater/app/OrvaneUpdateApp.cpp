#include "OrvaneUpdateApp.h"

#include <commctrl.h>

#include "CommandLineSwitch.h"
#include "OrvaneUpdateDlg.h"
#include "resource.h"

COrvaneUpdateApp theApp;

BOOL COrvaneUpdateApp::InitInstance() {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);

    fw::CWinApp::InitInstance();

    // Before anything reads the package or starts the library: a second updater ends here.
    if (!runningMark_.Claim()) {
        DeferToRunningUpdater(L"" TAVIK_DIALOG_CAPTION);
        return FALSE;
    }

    simulationMode = HasSimulationSwitch(ArgumentCount(), CommandLineAfterProgram());

    {
        COrvaneUpdateDlg dialog;
        m_pMainWnd = &dialog;
        dialog.DoModal();
        m_pMainWnd = nullptr;
    }  // the dialog goes here, its bold font with it
    return FALSE;
}
