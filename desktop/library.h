// Libraries that not every Windows has, and their functions, reached at run
// time so that the program still loads where they are missing.
#pragma once

#include "platform/platform.h"

namespace DLmodule {

// Loads `fileName` ("\\Magnification.dll") from the system directory, by its
// full path, never by its bare name: that would take a library of the name
// lying beside the program (a Downloads folder) first. 0 where it is missing.
platform::Handle LoadSystemLibrary(const char* fileName);
// The library's function, or nullptr; also for library 0.
platform::FarProc Lookup(platform::Handle library, const char* name);

} // namespace DLmodule
