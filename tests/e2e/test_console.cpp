#include "test_console.h"

#include <atomic>
#include <string>

namespace {

std::atomic<int> CtrlCs{0};

BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT) return FALSE;
  ++CtrlCs;
  return TRUE;  // and the program goes on
}

}  // namespace

int ShowConsole(HINSTANCE instance) {
  FreeConsole();
  if (!AllocConsole()) return 1;
  SetConsoleTitleW(L"Korvel test console");
  SetConsoleCtrlHandler(OnControl, TRUE);
  WNDCLASSW stateClass{};
  stateClass.lpfnWndProc = DefWindowProcW;
  stateClass.hInstance = instance;
  stateClass.lpszClassName = L"KorvelTestConsole";
  RegisterClassW(&stateClass);
  const HWND state = CreateWindowExW(0, stateClass.lpszClassName, L"ctrl-c:0 keys:", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                                     nullptr, instance, nullptr);
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  SetConsoleMode(input, ENABLE_WINDOW_INPUT);  // keys as they come, Ctrl+C as an event
  std::wstring keys;
  for (;;) {
    // The state window's messages between the keys.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    if (WaitForSingleObject(input, 100) != WAIT_OBJECT_0) {
      SetWindowTextW(state, (L"ctrl-c:" + std::to_wstring(CtrlCs) + L" keys:" + keys).c_str());
      continue;
    }
    INPUT_RECORD record{};
    DWORD read = 0;
    if (!ReadConsoleInputW(input, &record, 1, &read) || read == 0) break;
    if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    if (key.wVirtualKeyCode == VK_BACK) {
      keys += L'<';
    } else if (key.uChar.UnicodeChar >= 32) {
      keys += key.uChar.UnicodeChar;
    } else if (key.wVirtualKeyCode == VK_PACKET) {
      keys += L'?';
    }
    SetWindowTextW(state, (L"ctrl-c:" + std::to_wstring(CtrlCs) + L" keys:" + keys).c_str());
  }
  return 0;
}
