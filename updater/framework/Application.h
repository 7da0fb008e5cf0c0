// The application object: one global instance of a class derived from CWinApp; the program's
// entry point hands control to it.
#pragma once

#include <windows.h>

#include <string>

namespace fw {

class CDialog;

class CWinApp {
public:
    CWinApp();  // becomes the process's application object
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The framework's own start-up; a derived InitInstance calls it. TRUE would enter the
    // application's own message loop, FALSE ends the program.
    virtual BOOL InitInstance();
    // The program's exit code once InitInstance has returned FALSE.
    virtual int ExitInstance() { return 0; }

    HINSTANCE Instance() const { return instance_; }
    // Number of run-time arguments, the program name included (the C runtime's argc).
    int ArgumentCount() const { return argumentCount_; }
    // The command line after the program name, as the system gave it.
    const std::wstring& CommandLineAfterProgram() const { return arguments_; }

    CDialog* m_pMainWnd = nullptr;

    // Runs InitInstance and, if it returned TRUE, a plain message loop; returns the exit code.
    int Run(HINSTANCE instance);

private:
    HINSTANCE instance_ = nullptr;
    int argumentCount_ = 0;
    std::wstring arguments_;
};

CWinApp* AfxGetApp();

}  // namespace fw
