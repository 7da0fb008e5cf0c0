#include "LibraryState.h"

COrvaneUtilDllApp theApp;
