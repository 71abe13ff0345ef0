// Korvel everywhere: types Russian in Cyrillic on a German keyboard in every
// program, from the notification area. One instance per user session;
// starting it again switches the running one on.
#include <objbase.h>
#include <windows.h>

#include <cwchar>

#include "system_library.h"
#include "tray_window.h"

namespace {

// The running instance's window; it may still be on its way up.
HWND RunningInstance() {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (const HWND window = FindWindowW(TrayWindowClass, nullptr)) return window;
    Sleep(100);
  }
  return nullptr;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR commandLine, int /*show*/) {
  SearchLibrariesInSystemFolderOnly();
  if (std::wcscmp(commandLine, L"--write-texts") == 0) {
    WriteTexts(instance);
    return 0;
  }
  const HANDLE oneInstance = CreateMutexW(nullptr, FALSE, L"Local\\KorvelEverywhere");
  // Denied: the running one is elevated, and its mutex out of our reach.
  if (GetLastError() == ERROR_ALREADY_EXISTS || (!oneInstance && GetLastError() == ERROR_ACCESS_DENIED)) {
    if (const HWND running = RunningInstance()) PostMessageW(running, WM_SWITCH_ON, 0, 0);
    return 0;
  }
  // Accessibility clients' objects come from other programs through COM.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (!RegisterTrayWindowClass(instance) || !CreateTrayWindow(instance)) return 1;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (oneInstance) CloseHandle(oneInstance);
  return 0;
}
