// Another program holding the clipboard open: opens it for a window of its
// own, signals the named event given first, and lets go when the second is
// set (or after 60 seconds).
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  const HWND window =
      CreateWindowExW(0, L"STATIC", L"holder", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (!window || !OpenClipboard(window)) return 1;
  const HANDLE held = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1]);
  const HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[2]);
  if (!held || !release) return 1;
  SetEvent(held);
  WaitForSingleObject(release, 60000);
  CloseClipboard();
  DestroyWindow(window);
  return 0;
}
