// The process entry: no C runtime starts us, so this is the first code run.
#include "app/lifecycle.h"

#include <windows.h>

extern "C" void DusklensEntry() { ::ExitProcess(static_cast<UINT>(DusklensRun())); }
