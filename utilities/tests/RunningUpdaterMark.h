// TAVIKUpdate's mark that it runs, held by the test's own process as the updater would hold it
// while the tools run.
#pragma once

#include "UniqueAny.h"

class RunningUpdaterMark {
public:
    RunningUpdaterMark();

    bool ok() const { return static_cast<bool>(mutex_); }

private:
    UniqueHandle mutex_;
};
