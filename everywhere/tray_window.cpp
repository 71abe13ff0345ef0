#include "tray_window.h"

#include <string>

#include "front_window.h"
#include "keyboard_hook.h"
#include "notification_icon.h"
#include "resource.h"
#include "set_aside.h"
#include "start_with_windows.h"
#include "text_rewrite.h"

namespace {

const UINT WM_NOTIFY_ICON = WM_APP + 1;
const UINT WM_STATE_CHANGED = WM_APP + 2;  // from the hook's thread or the front window's watch
const int SwitchHotKey = 1;                // Win+Shift+K
// For keyboards without Pause: Win+Shift+Backspace, and with Ctrl for the
// transcription (Shift+Pause).
const int RewriteHotKey = 2;
const int TranscribeHotKey = 3;
const UINT_PTR HookCheckTimer = 1;
const UINT_PTR IconRetryTimer = 2;  // the notification area is not there yet (early at log-on)
const UINT_PTR NoticeTimer = 3;
const UINT TaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");

HINSTANCE Instance = nullptr;
bool IconShown = false;
bool HotKeyTaken = false;  // said in a balloon once the icon is there
std::wstring Notice;       // said in the tip for a few seconds, over the state

// The last rewriting, which Pause pressed again before any other key undoes.
bool RewritingNow = false;
TextRewrite LastRewrite;
bool TypingBeforeRewrite = false;
unsigned long KeysAtLastRewrite = 0;

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

// A text with "%s" standing for `name`.
std::wstring TextNaming(UINT id, const std::wstring& name) {
  std::wstring text = TextOf(id);
  const std::size_t at = text.find(L"%s");
  return at == std::wstring::npos ? text : text.replace(at, 2, name);
}

std::wstring Tip() {
  if (!Notice.empty()) return Notice;
  if (!IsTypingOn()) return TextOf(IDS_TIP_OFF);
  switch (CurrentHindrance()) {
    case Hindrance::Elevated:
      return TextOf(IDS_TIP_BEYOND_REACH);
    case Hindrance::Password:
      return TextOf(IDS_TIP_PASSWORD);
    case Hindrance::SetAside:
      return TextNaming(IDS_TIP_SET_ASIDE, LastFrontProgram());
    case Hindrance::OtherLayout:
      return TextOf(IDS_TIP_OTHER_LAYOUT);
    case Hindrance::None:
      break;
  }
  return TextOf(IDS_TIP_ON);
}

HICON CurrentIcon() {
  if (!IsTypingOn()) return LoadIconOf(IDI_TYPING_OFF);
  return LoadIconOf(CurrentHindrance() == Hindrance::None ? IDI_TYPING_ON : IDI_TYPING_HINDERED);
}

void ShowIcon(HWND window) {
  IconShown = AddNotificationIcon(window, WM_NOTIFY_ICON, CurrentIcon(), Tip().c_str());
  if (!IconShown) {
    SetTimer(window, IconRetryTimer, 2000, nullptr);
    return;
  }
  KillTimer(window, IconRetryTimer);
  if (HotKeyTaken) ShowNotificationBalloon(window, L"Korvel", TextOf(IDS_HOTKEY_TAKEN).c_str());
  HotKeyTaken = false;
}

// The hidden window's title is the tip too, and it names the focused window
// judged, for tools (and tests) that read windows.
void ShowState(HWND window) {
  const std::wstring tip = Tip();
  SetWindowTextW(window, tip.c_str());
  SetPropW(window, L"KorvelJudgedFocus", JudgedFocus());
  if (IconShown) UpdateNotificationIcon(window, CurrentIcon(), tip.c_str());
}

// Switched otherwise than with Scroll Lock: its light follows.
void SwitchTyping(HWND window, bool on) {
  SetTypingOn(on);
  ShowTypingOnScrollLock();
  ShowState(window);
}

void ShowNotice(HWND window, UINT id) {
  Notice = TextOf(id);
  SetTimer(window, NoticeTimer, 5000, nullptr);
  ShowState(window);
}

// Pause, Shift+Pause or their shortcuts: the word before the caret or the
// selection in the other alphabet, typing going on in it; at once again, all
// as it was. Never in a password field, nor where Windows keeps us out.
void OnRewrite(HWND window, Rewriting rewriting) {
  if (RewritingNow) return;
  if (FocusInFront() != JudgedFocus()) ReconsiderFrontWindow();
  const Hindrance hindrance = CurrentHindrance();
  const HWND focus = FocusInFront();
  if (hindrance == Hindrance::Password || hindrance == Hindrance::Elevated || !focus) {
    ShowState(window);
    return;
  }
  RewritingNow = true;
  RewriteOutcome outcome = RewriteOutcome::Moved;
  if (LastRewrite.focus == focus && KeysPressed() == KeysAtLastRewrite) {
    outcome = UndoTextRewrite(window, LastRewrite);
    LastRewrite = TextRewrite{};
    if (outcome == RewriteOutcome::Rewritten) SwitchTyping(window, TypingBeforeRewrite);
  }
  if (outcome == RewriteOutcome::Moved) {
    const bool typingBefore = IsTypingOn();
    outcome = RewriteTextInFront(window, focus, rewriting, LastRewrite);
    if (outcome == RewriteOutcome::Rewritten) {
      TypingBeforeRewrite = typingBefore;
      SwitchTyping(window, LastRewrite.cyrillic);
    } else {
      LastRewrite = TextRewrite{};
    }
  }
  KeysAtLastRewrite = KeysPressed();
  RewritingNow = false;
  if (outcome != RewriteOutcome::Rewritten) ShowNotice(window, IDS_TIP_NO_TEXT);
}

std::wstring ProgramBesideUs(const wchar_t* name) {
  std::wstring folder = ThisProgramPath();
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

LRESULT OnCreate(HWND window) {
  if (!StartKeyboardHook(window, WM_STATE_CHANGED)) {
    MessageBoxW(nullptr, TextOf(IDS_NO_HOOK).c_str(), L"Korvel", MB_OK | MB_ICONERROR);
    return -1;
  }
  HotKeyTaken = !RegisterHotKey(window, SwitchHotKey, MOD_WIN | MOD_SHIFT | MOD_NOREPEAT, 'K');
  RegisterHotKey(window, RewriteHotKey, MOD_WIN | MOD_SHIFT | MOD_NOREPEAT, VK_BACK);
  RegisterHotKey(window, TranscribeHotKey, MOD_WIN | MOD_CONTROL | MOD_SHIFT | MOD_NOREPEAT, VK_BACK);
  WatchFrontWindow(window, WM_STATE_CHANGED);
  ShowIcon(window);
  ShowState(window);
  ShowTypingOnScrollLock();
  SetTimer(window, HookCheckTimer, 1000, nullptr);
  return 0;
}

void OnIconMenu(HWND window) {
  HMENU menus = LoadMenuW(Instance, MAKEINTRESOURCEW(IDR_TRAY_MENU));
  HMENU menu = GetSubMenu(menus, 0);
  CheckMenuItem(menu, IDM_TYPE_CYRILLIC, IsTypingOn() ? MF_CHECKED : MF_UNCHECKED);
  CheckMenuItem(menu, IDM_START_WITH_WINDOWS, StartsWithWindows() ? MF_CHECKED : MF_UNCHECKED);
  // "Not in" the program that was in front before the menu opened.
  const std::wstring program = LastFrontProgram();
  if (program.empty()) {
    EnableMenuItem(menu, IDM_NOT_IN, MF_GRAYED);
  } else {
    const std::wstring item = TextNaming(IDS_NOT_IN, program);
    ModifyMenuW(menu, IDM_NOT_IN, MF_BYCOMMAND | MF_STRING | (IsSetAside(program) ? MF_CHECKED : MF_UNCHECKED),
                IDM_NOT_IN, item.c_str());
  }
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
    case IDM_NOT_IN:
      if (!LastFrontProgram().empty()) {
        SetAside(LastFrontProgram(), !IsSetAside(LastFrontProgram()));
        ReconsiderFrontWindow();
      }
      break;
    case IDM_DROP_HOOK_FOR_TESTS:
      DropKeyboardHookForTests();
      break;
    case IDM_EXIT:
      DestroyWindow(window);
      break;
  }
}

// Nothing is left behind: typing is the keyboard's own again.
void OnDestroy(HWND window) {
  RemovePropW(window, L"KorvelJudgedFocus");
  StopKeyboardHook();
  StopWatchingFrontWindow();
  KillTimer(window, HookCheckTimer);
  KillTimer(window, IconRetryTimer);
  KillTimer(window, NoticeTimer);
  UnregisterHotKey(window, SwitchHotKey);
  UnregisterHotKey(window, RewriteHotKey);
  UnregisterHotKey(window, TranscribeHotKey);
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
    case WM_STATE_CHANGED:
      if (wParam == RewriteByKeyboard || wParam == RewriteByTranscription) {
        OnRewrite(window, wParam == RewriteByKeyboard ? Rewriting::Keyboard : Rewriting::Transcription);
        return 0;
      }
      if (wParam == JudgeTheFocus) ReconsiderFrontWindow();
      ShowState(window);
      return 0;
    case WM_RENDERFORMAT:
      RenderPromisedText(window, static_cast<UINT>(wParam));
      return 0;
    case WM_RENDERALLFORMATS:
      RenderAllPromisedText(window);
      return 0;
    case WM_TIMER:
      if (wParam == HookCheckTimer) {
        CheckKeyboardHook();
        if (FocusMovedUnjudged()) {
          ReconsiderFrontWindow();
          ShowState(window);
        }
      }
      if (wParam == IconRetryTimer) ShowIcon(window);
      if (wParam == NoticeTimer) {
        KillTimer(window, NoticeTimer);
        Notice.clear();
        ShowState(window);
      }
      return 0;
    case WM_SWITCH_ON:
      SwitchTyping(window, true);
      return 0;
    case WM_HOTKEY:
      if (wParam == SwitchHotKey) SwitchTyping(window, !IsTypingOn());
      if (wParam == RewriteHotKey) OnRewrite(window, Rewriting::Keyboard);
      if (wParam == TranscribeHotKey) OnRewrite(window, Rewriting::Transcription);
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
  // Explorer started (again, or late): its notification area is new and empty.
  if (message == TaskbarCreated) ShowIcon(window);
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
  for (UINT id : {IDS_TIP_ON, IDS_TIP_OFF, IDS_TIP_BEYOND_REACH, IDS_NO_KORVEL_EXE, IDS_TIP_PASSWORD, IDS_TIP_SET_ASIDE,
                  IDS_TIP_OTHER_LAYOUT, IDS_HOTKEY_TAKEN, IDS_NO_HOOK, IDS_NOT_IN, IDS_TIP_NO_TEXT}) {
    texts += TextOf(id) + L"\n";
  }
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
