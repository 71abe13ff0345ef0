// A library that must never be loaded. Placed beside Korvel.exe under the
// name of a system library, it leaves a marker file (the path is taken from
// KORVEL_PLANTED_MARKER) and ends the process with its own exit code before
// any code of the program runs.
#include <windows.h>

#ifndef PLANTED_EXIT_CODE
#error "PLANTED_EXIT_CODE names the exit code that gives the planted library away"
#endif

// Exported so that the loader takes this library for the real one when the
// program imports the function from it.
extern "C" __declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void* /*controls*/) { return FALSE; }

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t marker[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"KORVEL_PLANTED_MARKER", marker, MAX_PATH) > 0) {
    HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  ExitProcess(PLANTED_EXIT_CODE);
}
