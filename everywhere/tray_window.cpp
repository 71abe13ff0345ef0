#include "tray_window.h"

#include <string>

#include "keyboard_hook.h"
#include "notification_icon.h"
#include "resource.h"
#include "start_with_windows.h"
#include "window_reach.h"

namespace {

const UINT WM_NOTIFY_ICON = WM_APP + 1;
const UINT WM_TYPING_SWITCHED = WM_APP + 2;
const int SwitchHotKey = 1;  // Win+Shift+K
const UINT TaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");

HINSTANCE Instance = nullptr;
HWND TrayWindow = nullptr;
HWINEVENTHOOK ForegroundHook = nullptr;
bool ForegroundBeyondReach = false;

HICON LoadIconOf(int id) {
  return static_cast<HICON>(LoadImageW(Instance, MAKEINTRESOURCEW(id), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                       GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR | LR_SHARED));
}

// One of the program's texts, in the user's display language.
std::wstring TextOf(UINT id) {
  const wchar_t* text = nullptr;
  const int length = LoadStringW(Instance, id, reinterpret_cast<wchar_t*>(&text), 0);
  return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

std::wstring Tip() {
  if (!IsTypingOn()) return TextOf(IDS_TIP_OFF);
  if (ForegroundBeyondReach) return TextOf(IDS_TIP_BEYOND_REACH);
  return TextOf(IDS_TIP_ON);
}

HICON CurrentIcon() { return LoadIconOf(IsTypingOn() ? IDI_TYPING_ON : IDI_TYPING_OFF); }

void ShowState(HWND window) { UpdateNotificationIcon(window, CurrentIcon(), Tip().c_str()); }

void SwitchTyping(HWND window, bool on) {
  SetTypingOn(on);
  ShowState(window);
}

std::wstring ProgramBesideUs(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return folder + name;
}

void OpenKorvel(HWND window) {
  std::wstring command = L"\"" + ProgramBesideUs(L"Korvel.exe") + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    MessageBoxW(window, TextOf(IDS_NO_KORVEL_EXE).c_str(), L"Korvel", MB_OK | MB_ICONWARNING);
    return;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
}

void CALLBACK OnForegroundChanged(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD) {
  const bool beyondReach = IsBeyondReach(window);
  if (beyondReach == ForegroundBeyondReach) return;
  ForegroundBeyondReach = beyondReach;
  ShowState(TrayWindow);
}

LRESULT OnCreate(HWND window) {
  TrayWindow = window;
  if (!InstallKeyboardHook(window, WM_TYPING_SWITCHED)) return -1;
  AddNotificationIcon(window, WM_NOTIFY_ICON, CurrentIcon(), Tip().c_str());
  RegisterHotKey(window, SwitchHotKey, MOD_WIN | MOD_SHIFT | MOD_NOREPEAT, 'K');
  ForegroundHook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, OnForegroundChanged, 0, 0,
                                   WINEVENT_OUTOFCONTEXT);
  return 0;
}

void OnIconMenu(HWND window) {
  HMENU menus = LoadMenuW(Instance, MAKEINTRESOURCEW(IDR_TRAY_MENU));
  HMENU menu = GetSubMenu(menus, 0);
  CheckMenuItem(menu, IDM_TYPE_CYRILLIC, IsTypingOn() ? MF_CHECKED : MF_UNCHECKED);
  CheckMenuItem(menu, IDM_START_WITH_WINDOWS, StartsWithWindows() ? MF_CHECKED : MF_UNCHECKED);
  POINT cursor{};
  GetCursorPos(&cursor);
  // The menu closes when the user clicks elsewhere only if our window is in front.
  SetForegroundWindow(window);
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, nullptr);
  PostMessageW(window, WM_NULL, 0, 0);
  DestroyMenu(menus);
}

void OnNotifyIcon(HWND window, LPARAM mouseMessage) {
  switch (mouseMessage) {
    case WM_LBUTTONUP:
      SwitchTyping(window, !IsTypingOn());
      break;
    case WM_RBUTTONUP:
      OnIconMenu(window);
      break;
  }
}

void OnCommand(HWND window, WORD command) {
  switch (command) {
    case IDM_TYPE_CYRILLIC:
      SwitchTyping(window, !IsTypingOn());
      break;
    case IDM_OPEN_KORVEL:
      OpenKorvel(window);
      break;
    case IDM_START_WITH_WINDOWS:
      SetStartWithWindows(!StartsWithWindows());
      break;
    case IDM_EXIT:
      DestroyWindow(window);
      break;
  }
}

// Nothing is left behind: typing is the keyboard's own again.
void OnDestroy(HWND window) {
  RemoveKeyboardHook();
  if (ForegroundHook) UnhookWinEvent(ForegroundHook);
  ForegroundHook = nullptr;
  UnregisterHotKey(window, SwitchHotKey);
  RemoveNotificationIcon(window);
  PostQuitMessage(0);
}

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate(window);
    case WM_NOTIFY_ICON:
      OnNotifyIcon(window, lParam);
      return 0;
    case WM_TYPING_SWITCHED:
      ShowState(window);
      return 0;
    case WM_SWITCH_ON:
      SwitchTyping(window, true);
      return 0;
    case WM_HOTKEY:
      if (wParam == SwitchHotKey) SwitchTyping(window, !IsTypingOn());
      return 0;
    case WM_COMMAND:
      OnCommand(window, LOWORD(wParam));
      return 0;
    case WM_ENDSESSION:
      if (wParam) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      OnDestroy(window);
      return 0;
  }
  // Explorer started again: its notification area is new and empty.
  if (message == TaskbarCreated) AddNotificationIcon(window, WM_NOTIFY_ICON, CurrentIcon(), Tip().c_str());
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void WriteTexts(HINSTANCE instance) {
  Instance = instance;
  std::wstring texts;
  HMENU menus = LoadMenuW(Instance, MAKEINTRESOURCEW(IDR_TRAY_MENU));
  HMENU menu = GetSubMenu(menus, 0);
  for (int item = 0; item < GetMenuItemCount(menu); ++item) {
    wchar_t name[128] = {};
    if (GetMenuStringW(menu, static_cast<UINT>(item), name, 128, MF_BYPOSITION) > 0)
      texts += name + std::wstring(L"\n");
  }
  DestroyMenu(menus);
  for (UINT id : {IDS_TIP_ON, IDS_TIP_OFF, IDS_TIP_BEYOND_REACH, IDS_NO_KORVEL_EXE}) texts += TextOf(id) + L"\n";
  std::string utf8(texts.size() * 3, '\0');
  utf8.resize(
      static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, texts.data(), static_cast<int>(texts.size()),
                                                   utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr)));
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

bool RegisterTrayWindowClass(HINSTANCE instance) {
  Instance = instance;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = TrayWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconOf(IDI_TYPING_ON);
  windowClass.lpszClassName = TrayWindowClass;
  return RegisterClassExW(&windowClass) != 0;
}

HWND CreateTrayWindow(HINSTANCE instance) {
  // A hidden top-level window, not a message-only one: it must receive the
  // session's end and WM_CLOSE as taskkill sends it.
  return CreateWindowExW(0, TrayWindowClass, L"Korvel everywhere", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                         instance, nullptr);
}
