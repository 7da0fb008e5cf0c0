// The driver's service in the Wine prefix: install, start, stop, uninstall.
#include "CamSimControl.h"
#include "ThisProgramPath.h"
#include "TimeScale.h"
#include "UniqueAny.h"

namespace camsim {

namespace {

const wchar_t kServiceName[] = L"OrvaneCamSim";
const wchar_t kDriverFile[] = L"OrvaneCamSim.sys";
// A start or stop takes well under a second natively; the bound widens on a slow host.
constexpr DWORD kStateTimeoutMs = 30000;
constexpr DWORD kPollMs = 10;

std::wstring ProgramFolder() {
    const std::wstring path = ThisProgramPath();
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::wstring InstalledPath() {
    wchar_t system[MAX_PATH];
    UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return std::wstring();
    }
    return std::wstring(system) + L"\\drivers\\" + kDriverFile;
}

UniqueServiceHandle OpenManager() {
    return UniqueServiceHandle(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

// The driver's service, or nothing with the error of the call that failed (the manager's
// release keeps it).
UniqueServiceHandle OpenDriverService() {
    UniqueServiceHandle manager = OpenManager();
    if (!manager) {
        return UniqueServiceHandle();
    }
    return UniqueServiceHandle(OpenServiceW(manager.get(), kServiceName, SERVICE_ALL_ACCESS));
}

// Polls the service (there is nothing to wait on) until it reaches `state`.
bool WaitForState(SC_HANDLE service, DWORD state) {
    // By the clock, not by the sleeps: a sleep may last far longer than asked.
    const ULONGLONG deadline = GetTickCount64() + tavik::test::Scaled(kStateTimeoutMs);
    for (;;) {
        SERVICE_STATUS status;
        if (!QueryServiceStatus(service, &status)) {
            return false;
        }
        if (status.dwCurrentState == state) {
            return true;
        }
        if (status.dwCurrentState == SERVICE_STOPPED && state == SERVICE_RUNNING) {
            return false;  // the driver refused to start
        }
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(kPollMs);
    }
}

bool IsRunning(SC_HANDLE service) {
    SERVICE_STATUS status;
    return QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING;
}

}  // namespace

bool InstallDriver() {
    std::wstring source = ProgramFolder();
    std::wstring target = InstalledPath();
    if (source.empty() || target.empty()) {
        return false;
    }
    source += kDriverFile;
    UniqueServiceHandle manager = OpenManager();
    if (!manager) {
        return false;
    }
    UniqueServiceHandle existing(OpenServiceW(manager.get(), kServiceName, SERVICE_ALL_ACCESS));
    // A running driver's image cannot be replaced; it stays as it is.
    if (!(existing && IsRunning(existing.get())) &&
        !CopyFileW(source.c_str(), target.c_str(), FALSE)) {
        return false;
    }
    if (existing) {
        return true;
    }
    UniqueServiceHandle created(
        CreateServiceW(manager.get(), kServiceName, kServiceName, SERVICE_ALL_ACCESS,
                       SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                       target.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    return static_cast<bool>(created) || GetLastError() == ERROR_SERVICE_EXISTS;
}

bool StartDriver() {
    UniqueServiceHandle service = OpenDriverService();
    if (!service) {
        return false;
    }
    if (!StartServiceW(service.get(), 0, nullptr) &&
        GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
        return false;
    }
    return WaitForState(service.get(), SERVICE_RUNNING);
}

bool StopDriver() {
    UniqueServiceHandle service = OpenDriverService();
    if (!service) {
        return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    }
    SERVICE_STATUS status;
    if (!ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
        DWORD error = GetLastError();
        if (error != ERROR_SERVICE_NOT_ACTIVE && error != ERROR_SERVICE_CANNOT_ACCEPT_CTRL) {
            return false;
        }
    }
    return WaitForState(service.get(), SERVICE_STOPPED);
}

bool UninstallDriver() {
    if (!StopDriver()) {
        return false;
    }
    UniqueServiceHandle service = OpenDriverService();
    if (service ? !DeleteService(service.get()) : GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST) {
        return false;
    }
    std::wstring target = InstalledPath();
    return !target.empty() &&
           (DeleteFileW(target.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND);
}

}  // namespace camsim
