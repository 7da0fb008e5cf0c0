#include "FailingReads.h"

namespace {

// One patch at a time: the replacement is a plain function and finds its error here.
DWORD g_readError = ERROR_SUCCESS;

BOOL WINAPI FailingReadFile(HANDLE, LPVOID, DWORD, LPDWORD read, LPOVERLAPPED) {
    if (read != nullptr) {
        *read = 0;
    }
    SetLastError(g_readError);
    return FALSE;
}

}  // namespace

FailingReads::FailingReads(DWORD error)
    : patch_("kernel32.dll", "ReadFile", reinterpret_cast<const void*>(&FailingReadFile)) {
    g_readError = error;  // before any read: the test reads only once this returns
}

FailingReads::~FailingReads() {
    g_readError = ERROR_SUCCESS;
}
