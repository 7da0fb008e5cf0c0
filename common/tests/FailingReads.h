// Makes the system's reads of this test program fail, as a disk or a network share can.
#pragma once

#include <windows.h>

#include "ImportPatch.h"

// For the lifetime of the object every ReadFile of this program reads nothing and fails with
// `error` as its last error (ERROR_SUCCESS: a failure that leaves no error behind).
class FailingReads {
public:
    explicit FailingReads(DWORD error);
    ~FailingReads();
    FailingReads(const FailingReads&) = delete;
    FailingReads& operator=(const FailingReads&) = delete;

    bool ok() const { return patch_.ok(); }

private:
    ImportPatch patch_;
};
