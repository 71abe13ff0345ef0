// Loading libraries from the system folder only. Korvel is a portable
// program that people run from their Downloads folder: a file there named
// like a system library must never be loaded in its place.
#pragma once

#include <windows.h>

// From here on, libraries loaded at run time, and the libraries they need,
// are looked for in the system folder alone. Called first thing at start-up.
void SearchLibrariesInSystemFolderOnly();

// Loads `name` from the system folder, and what it needs from there too;
// null when it is not there.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A function of a library loaded from the system folder; null when either
// is missing. The library stays loaded.
template <typename Function>
Function SystemFunction(const wchar_t* library, const char* name) {
  HMODULE module = LoadSystemLibrary(library);
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}
