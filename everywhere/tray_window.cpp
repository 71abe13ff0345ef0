#include "tray_window.h"

#include <wtsapi32.h>

#include <algorithm>
#include <string>
#include <vector>

#include "front_window.h"
#include "keyboard_hook.h"
#include "notification_icon.h"
#include "resource.h"
#include "set_aside.h"
#include "settings.h"
#include "start_with_windows.h"
#include "system_library.h"
#include "text_rewrite.h"

namespace {

const UINT WM_NOTIFY_ICON = WM_APP + 1;
const UINT WM_STATE_CHANGED = WM_APP + 2;  // from the hook's thread or the focus judge
const int SwitchHotKey = 1;                // Win+Shift+K
// For keyboards without Pause: Win+Shift+Backspace, and with Ctrl for the
// transcription (Shift+Pause).
const int RewriteHotKey = 2;
const int TranscribeHotKey = 3;
const UINT_PTR HookCheckTimer = 1;
const UINT_PTR IconRetryTimer = 2;  // the notification area is not there yet (early at log-on)
const UINT_PTR NoticeTimer = 3;
const UINT TaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
// Before Korvel's own keys go, the user's modifiers must be up: a Shift,
// Ctrl or Win still held would turn them into shortcuts.
const DWORD kModifiersBound = 2000;
const wchar_t FixByItselfSetting[] = L"Fix the alphabet by itself";
// Words whose fix the user took back, never fixed again; the latest so many.
const wchar_t LeftAloneSetting[] = L"Left alone";
const std::size_t kMostLeftAlone = 2000;

using SystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
using DpiForWindowFunction = UINT(WINAPI*)(HWND);
using SessionNotificationFunction = BOOL(WINAPI*)(HWND, DWORD);
using EndSessionNotificationFunction = BOOL(WINAPI*)(HWND);

bool ModifiersUp() {
  for (const int key : {VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN, 0xE4, 0xDF}) {
    if (GetAsyncKeyState(key) < 0) return false;
  }
  return true;
}

// Korvel everywhere's hidden top-level window, and all it owns.
class TrayWindow {
 public:
  explicit TrayWindow(HWND window) : window_(window), front_(hook_), rewriter_(hook_, window) {
    for (const std::wstring& word : ReadSetting(LeftAloneSetting)) leftAlone_.emplace_back(word.begin(), word.end());
  }
  ~TrayWindow() { DestroyIcons(); }

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  LRESULT OnCreate();
  void OnDestroy();
  void OnStateChanged(WPARAM what, LPARAM detail);
  void OnTimer(WPARAM timer);
  void OnNotifyIcon(LPARAM mouseMessage);
  void OnIconMenu();
  void OnCommand(WORD command);
  void OnHotKey(WPARAM hotKey);
  void OnRewrite(Rewriting rewriting, bool byPause, bool shift);
  void OnWordTyped();
  void LeaveAlone(const std::u16string& typed);

  std::wstring TextOf(UINT id) const;
  std::wstring TextNaming(UINT id, const std::wstring& name) const;
  std::wstring Tip() const;
  Hindrance CurrentHindrance() const;
  void LoadIcons();
  void DestroyIcons();
  HICON CurrentIcon() const;
  void ShowIcon();
  void ShowState();
  void SwitchTyping(bool on);
  void ShowNotice(UINT id);
  void OpenKorvel();

  HWND window_;
  KeyboardHook hook_;
  FrontWindow front_;
  TextRewriter rewriter_;
  HICON icons_[3] = {};  // on, off, hindered: at the size the screen's scale asks for
  bool iconShown_ = false;
  bool hotKeyTaken_ = false;  // said in a balloon once the icon is there
  std::wstring notice_;       // said in the tip for a few seconds, over the state
  // The last rewriting, which Pause pressed again before any other key undoes.
  bool rewritingNow_ = false;
  TextRewrite lastRewrite_;
  bool typingBeforeRewrite_ = false;
  unsigned long keysAtLastRewrite_ = 0;
  bool lastRewriteByItself_ = false;
  // The fixing by itself: on, the words it leaves, and the record as it
  // stood at the last switch or fix, where the run it judges begins.
  bool fixByItself_ = ReadSwitch(FixByItselfSetting, true);
  LeftAlone leftAlone_;
  TypedRecord::Snapshot runStart_;
};

HINSTANCE Instance = nullptr;

std::wstring TrayWindow::TextOf(UINT id) const {
  const wchar_t* text = nullptr;
  const int length = LoadStringW(Instance, id, reinterpret_cast<wchar_t*>(&text), 0);
  return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

// A text with "%s" standing for `name`.
std::wstring TrayWindow::TextNaming(UINT id, const std::wstring& name) const {
  std::wstring text = TextOf(id);
  const std::size_t at = text.find(L"%s");
  return at == std::wstring::npos ? text : text.replace(at, 2, name);
}

Hindrance TrayWindow::CurrentHindrance() const { return hook_.CurrentVerdict().hindrance; }

std::wstring TrayWindow::Tip() const {
  if (!notice_.empty()) return notice_;
  if (!hook_.TypingOn()) return TextOf(IDS_TIP_OFF);
  switch (CurrentHindrance()) {
    case Hindrance::Elevated:
      return TextOf(IDS_TIP_BEYOND_REACH);
    case Hindrance::Password:
      return TextOf(IDS_TIP_PASSWORD);
    case Hindrance::SetAside:
      return TextNaming(IDS_TIP_SET_ASIDE, front_.LastFrontProgram());
    case Hindrance::OtherLayout:
      return TextOf(IDS_TIP_OTHER_LAYOUT);
    case Hindrance::None:
      break;
  }
  return TextOf(IDS_TIP_ON);
}

// The icons at the small icon size of the window's screen, loaded anew when
// its scale changes (shared icons would keep the first size).
void TrayWindow::LoadIcons() {
  DestroyIcons();
  static const auto metricsForDpi =
      SystemFunction<SystemMetricsForDpiFunction>(L"user32.dll", "GetSystemMetricsForDpi");
  static const auto dpiForWindow = SystemFunction<DpiForWindowFunction>(L"user32.dll", "GetDpiForWindow");
  const UINT dpi = dpiForWindow ? dpiForWindow(window_) : 0;
  const int width = metricsForDpi && dpi ? metricsForDpi(SM_CXSMICON, dpi) : GetSystemMetrics(SM_CXSMICON);
  const int height = metricsForDpi && dpi ? metricsForDpi(SM_CYSMICON, dpi) : GetSystemMetrics(SM_CYSMICON);
  const int ids[] = {IDI_TYPING_ON, IDI_TYPING_OFF, IDI_TYPING_HINDERED};
  for (int i = 0; i < 3; ++i) {
    icons_[i] =
        static_cast<HICON>(LoadImageW(Instance, MAKEINTRESOURCEW(ids[i]), IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
  }
}

void TrayWindow::DestroyIcons() {
  for (HICON& icon : icons_) {
    if (icon) DestroyIcon(icon);
    icon = nullptr;
  }
}

HICON TrayWindow::CurrentIcon() const {
  if (!hook_.TypingOn()) return icons_[1];
  return icons_[CurrentHindrance() == Hindrance::None ? 0 : 2];
}

void TrayWindow::ShowIcon() {
  iconShown_ = AddNotificationIcon(window_, WM_NOTIFY_ICON, CurrentIcon(), Tip().c_str());
  if (!iconShown_) {
    SetTimer(window_, IconRetryTimer, 2000, nullptr);
    return;
  }
  KillTimer(window_, IconRetryTimer);
  if (hotKeyTaken_) ShowNotificationBalloon(window_, L"Korvel", TextOf(IDS_HOTKEY_TAKEN).c_str());
  hotKeyTaken_ = false;
}

// The hidden window's title is the tip too, and it names the focused window
// judged, for tools (and tests) that read windows.
void TrayWindow::ShowState() {
  const std::wstring tip = Tip();
  SetWindowTextW(window_, tip.c_str());
  SetPropW(window_, L"KorvelJudgedFocus", hook_.CurrentVerdict().focus);
  if (iconShown_) UpdateNotificationIcon(window_, CurrentIcon(), tip.c_str());
}

// Switched otherwise than with Scroll Lock: its light follows.
void TrayWindow::SwitchTyping(bool on) {
  runStart_ = hook_.Record().Read();
  hook_.SetTypingOn(on);
  hook_.ShowTypingOnScrollLock();
  ShowState();
}

void TrayWindow::ShowNotice(UINT id) {
  notice_ = TextOf(id);
  SetTimer(window_, NoticeTimer, 5000, nullptr);
  ShowState();
}

// Pause, Shift+Pause or their shortcuts: the word before the caret or the
// selection in the other alphabet, typing going on in it; at once again, all
// as it was. Never in a password field, nor in a program set aside, nor where
// Windows keeps us out: there Pause goes to the program, as where nothing
// was fixed. The keys typed meanwhile wait, and follow in order.
void TrayWindow::OnRewrite(Rewriting rewriting, bool byPause, bool shift) {
  if (rewritingNow_) return;
  rewritingNow_ = true;
  hook_.BeginFix();
  const Hindrance hindrance = CurrentHindrance();
  const HWND focus = FocusedWindow();
  RewriteOutcome outcome = RewriteOutcome::NoText;
  if (hindrance != Hindrance::Password && hindrance != Hindrance::Elevated && hindrance != Hindrance::SetAside &&
      focus) {
    if (!PumpUntil(ModifiersUp, kModifiersBound)) {
      outcome = RewriteOutcome::Busy;  // still held: nothing of ours goes
    } else {
      outcome = RewriteOutcome::Moved;
      if (lastRewrite_.focus == focus && hook_.KeysPressed() == keysAtLastRewrite_) {
        outcome = rewriter_.Undo(lastRewrite_);
        if (outcome == RewriteOutcome::Rewritten && lastRewriteByItself_) LeaveAlone(lastRewrite_.before);
        lastRewrite_ = TextRewrite{};
        if (outcome == RewriteOutcome::Rewritten) SwitchTyping(typingBeforeRewrite_);
      }
      if (outcome == RewriteOutcome::Moved) {
        const bool typingBefore = hook_.TypingOn();
        outcome = rewriter_.Rewrite(focus, rewriting, lastRewrite_);
        if (outcome == RewriteOutcome::Rewritten) {
          typingBeforeRewrite_ = typingBefore;
          lastRewriteByItself_ = false;
          SwitchTyping(lastRewrite_.cyrillic);
        } else {
          lastRewrite_ = TextRewrite{};
        }
      }
    }
  }
  if (outcome == RewriteOutcome::NoText && byPause) hook_.PassOnPause(shift);
  keysAtLastRewrite_ = hook_.KeysPressed();
  hook_.EndFix();
  rewritingNow_ = false;
  if (outcome != RewriteOutcome::Rewritten && hindrance == Hindrance::None) ShowNotice(IDS_TIP_NO_TEXT);
}

// A word ended: the run typed since the last line break, switch or fix,
// judged for the wrong alphabet and typed over where it reads as the other,
// typing going on in that alphabet; Pause at once takes it back. Only where
// typing reaches (never a password field nor a program set aside), with no
// modifier held, and never across a click or a moved caret (the record
// starts anew there).
void TrayWindow::OnWordTyped() {
  if (!fixByItself_ || rewritingNow_ || CurrentHindrance() != Hindrance::None || !ModifiersUp()) return;
  const HWND focus = FocusedWindow();
  if (!focus || focus != hook_.CurrentVerdict().focus) return;
  rewritingNow_ = true;
  const bool typingBefore = hook_.TypingOn();
  bool holding = false;
  TextRewrite done;
  // Keys are held only for a fix: most word ends need none.
  const RewriteOutcome outcome = rewriter_.FixAlphabet(
      focus, runStart_, leftAlone_,
      [&] {
        hook_.BeginFix();
        holding = true;
      },
      done);
  if (outcome == RewriteOutcome::Rewritten) {
    lastRewrite_ = done;
    lastRewriteByItself_ = true;
    typingBeforeRewrite_ = typingBefore;
    SwitchTyping(done.cyrillic);
    keysAtLastRewrite_ = hook_.KeysPressed();
  }
  if (holding) hook_.EndFix();
  rewritingNow_ = false;
}

// The words of a fix taken back: kept per user, never fixed again.
void TrayWindow::LeaveAlone(const std::u16string& typed) {
  for (std::u16string& word : WordsOf(typed)) {
    if (std::find(leftAlone_.begin(), leftAlone_.end(), word) == leftAlone_.end()) leftAlone_.push_back(word);
  }
  if (leftAlone_.size() > kMostLeftAlone) {
    leftAlone_.erase(leftAlone_.begin(), leftAlone_.end() - static_cast<std::ptrdiff_t>(kMostLeftAlone));
  }
  std::vector<std::wstring> kept;
  for (const std::u16string& word : leftAlone_) kept.emplace_back(word.begin(), word.end());
  WriteSetting(LeftAloneSetting, kept);
}

std::wstring ProgramBesideUs(const wchar_t* name) {
  std::wstring folder = ThisProgramPath();
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return folder + name;
}

void TrayWindow::OpenKorvel() {
  std::wstring command = L"\"" + ProgramBesideUs(L"Korvel.exe") + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    MessageBoxW(window_, TextOf(IDS_NO_KORVEL_EXE).c_str(), L"Korvel", MB_OK | MB_ICONWARNING);
    return;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
}

LRESULT TrayWindow::OnCreate() {
  LoadIcons();
  if (!hook_.Start(window_, WM_STATE_CHANGED)) {
    MessageBoxW(nullptr, TextOf(IDS_NO_HOOK).c_str(), L"Korvel", MB_OK | MB_ICONERROR);
    return -1;
  }
  hotKeyTaken_ = !RegisterHotKey(window_, SwitchHotKey, MOD_WIN | MOD_SHIFT | MOD_NOREPEAT, 'K');
  RegisterHotKey(window_, RewriteHotKey, MOD_WIN | MOD_SHIFT | MOD_NOREPEAT, VK_BACK);
  RegisterHotKey(window_, TranscribeHotKey, MOD_WIN | MOD_CONTROL | MOD_SHIFT | MOD_NOREPEAT, VK_BACK);
  // A second start, even an unelevated one while this runs elevated, may
  // switch typing on.
  ChangeWindowMessageFilterEx(window_, WM_SWITCH_ON, MSGFLT_ALLOW, nullptr);
  // Windows may drop the hooks while the session is locked or asleep.
  if (const auto notify =
          SystemFunction<SessionNotificationFunction>(L"wtsapi32.dll", "WTSRegisterSessionNotification")) {
    notify(window_, NOTIFY_FOR_THIS_SESSION);
  }
  front_.Watch(window_, WM_STATE_CHANGED);
  ShowIcon();
  ShowState();
  hook_.ShowTypingOnScrollLock();
  SetTimer(window_, HookCheckTimer, 1000, nullptr);
  return 0;
}

void TrayWindow::OnIconMenu() {
  HMENU menus = LoadMenuW(Instance, MAKEINTRESOURCEW(IDR_TRAY_MENU));
  HMENU menu = GetSubMenu(menus, 0);
  CheckMenuItem(menu, IDM_TYPE_CYRILLIC, hook_.TypingOn() ? MF_CHECKED : MF_UNCHECKED);
  CheckMenuItem(menu, IDM_FIX_BY_ITSELF, fixByItself_ ? MF_CHECKED : MF_UNCHECKED);
  CheckMenuItem(menu, IDM_START_WITH_WINDOWS, StartsWithWindows() ? MF_CHECKED : MF_UNCHECKED);
  // "Not in" the program that was in front before the menu opened.
  const std::wstring program = front_.LastFrontProgram();
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
  SetForegroundWindow(window_);
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window_, nullptr);
  PostMessageW(window_, WM_NULL, 0, 0);
  DestroyMenu(menus);
}

void TrayWindow::OnNotifyIcon(LPARAM mouseMessage) {
  switch (mouseMessage) {
    case WM_LBUTTONUP:
      SwitchTyping(!hook_.TypingOn());
      break;
    case WM_RBUTTONUP:
      OnIconMenu();
      break;
  }
}

void TrayWindow::OnCommand(WORD command) {
  switch (command) {
    case IDM_TYPE_CYRILLIC:
      SwitchTyping(!hook_.TypingOn());
      break;
    case IDM_FIX_BY_ITSELF:
      fixByItself_ = !fixByItself_;
      WriteSwitch(FixByItselfSetting, fixByItself_);
      break;
    case IDM_OPEN_KORVEL:
      OpenKorvel();
      break;
    case IDM_START_WITH_WINDOWS:
      SetStartWithWindows(!StartsWithWindows());
      break;
    case IDM_NOT_IN:
      if (!front_.LastFrontProgram().empty()) {
        SetAside(front_.LastFrontProgram(), !IsSetAside(front_.LastFrontProgram()));
        front_.Reconsider();
      }
      break;
    case IDM_DROP_HOOK_FOR_TESTS:
      hook_.DropForTests();
      break;
    case IDM_EXIT:
      DestroyWindow(window_);
      break;
  }
}

void TrayWindow::OnHotKey(WPARAM hotKey) {
  if (hotKey == SwitchHotKey) SwitchTyping(!hook_.TypingOn());
  if (hotKey == RewriteHotKey) OnRewrite(Rewriting::Keyboard, false, false);
  if (hotKey == TranscribeHotKey) OnRewrite(Rewriting::Transcription, false, false);
}

void TrayWindow::OnStateChanged(WPARAM what, LPARAM detail) {
  switch (what) {
    case RewriteByKeyboard:
    case RewriteByTranscription:
      OnRewrite(what == RewriteByKeyboard ? Rewriting::Keyboard : Rewriting::Transcription, true,
                what == RewriteByTranscription);
      return;
    case JudgeTheFocus:
      front_.JudgeSoon(static_cast<DWORD>(detail));
      break;
    case TypingSwitched:
      runStart_ = hook_.Record().Read();
      hook_.ShowTypingOnScrollLock();
      break;
    case WordTyped:
      OnWordTyped();
      return;
  }
  ShowState();
}

void TrayWindow::OnTimer(WPARAM timer) {
  switch (timer) {
    case HookCheckTimer:
      hook_.ReinstallIfDropped();
      hook_.ShowTypingOnScrollLock();
      // The focus moved to another window with no event (Wine sends none
      // for some): judged now, not only at the next key.
      if (FocusedWindow() != hook_.CurrentVerdict().focus) front_.Reconsider();
      break;
    case IconRetryTimer:
      ShowIcon();
      break;
    case NoticeTimer:
      KillTimer(window_, NoticeTimer);
      notice_.clear();
      ShowState();
      break;
    case FrontWindow::kJudgeTimer:
      front_.OnJudgeTimer();
      break;
    case TextRewriter::kRestoreTimer:
      rewriter_.OnRestoreTimer();
      break;
  }
}

// Nothing is left behind: typing is the keyboard's own again.
void TrayWindow::OnDestroy() {
  RemovePropW(window_, L"KorvelJudgedFocus");
  hook_.Stop();
  front_.StopWatching();
  for (const UINT_PTR timer : {HookCheckTimer, IconRetryTimer, NoticeTimer}) KillTimer(window_, timer);
  for (const int hotKey : {SwitchHotKey, RewriteHotKey, TranscribeHotKey}) UnregisterHotKey(window_, hotKey);
  if (const auto stop =
          SystemFunction<EndSessionNotificationFunction>(L"wtsapi32.dll", "WTSUnRegisterSessionNotification")) {
    stop(window_);
  }
  RemoveNotificationIcon(window_);
  PostQuitMessage(0);
}

LRESULT TrayWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate();
    case WM_NOTIFY_ICON:
      OnNotifyIcon(lParam);
      return 0;
    case WM_STATE_CHANGED:
      OnStateChanged(wParam, lParam);
      return 0;
    case WM_RENDERFORMAT:
      rewriter_.RenderPromisedText(static_cast<UINT>(wParam));
      return 0;
    case WM_RENDERALLFORMATS:
      rewriter_.RenderAllPromisedText();
      return 0;
    case WM_TIMER:
      OnTimer(wParam);
      return 0;
    case WM_SWITCH_ON:
      SwitchTyping(true);
      return 0;
    case WM_HOTKEY:
      OnHotKey(wParam);
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_WTSSESSION_CHANGE:
      if (wParam == WTS_SESSION_UNLOCK) hook_.Reinstall();
      return 0;
    case WM_POWERBROADCAST:
      if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) hook_.Reinstall();
      return TRUE;
    case WM_DPICHANGED:
    case WM_DISPLAYCHANGE:
    case WM_SETTINGCHANGE:
      LoadIcons();
      if (iconShown_) ShowState();
      return 0;
    case WM_ENDSESSION:
      if (wParam) DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
  }
  // Explorer started (again, or late): its notification area is new and empty.
  if (message == TaskbarCreated) ShowIcon();
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* tray = reinterpret_cast<TrayWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    tray = new TrayWindow(window);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(tray));
  }
  if (!tray) return DefWindowProcW(window, message, wParam, lParam);
  const LRESULT result = tray->Handle(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    delete tray;
  }
  return result;
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
    const wchar_t* text = nullptr;
    const int length = LoadStringW(Instance, id, reinterpret_cast<wchar_t*>(&text), 0);
    texts += std::wstring(text ? text : L"", length > 0 ? static_cast<std::size_t>(length) : 0) + L"\n";
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
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TYPING_ON));
  windowClass.lpszClassName = TrayWindowClass;
  return RegisterClassExW(&windowClass) != 0;
}

HWND CreateTrayWindow(HINSTANCE instance) {
  // A hidden top-level window, not a message-only one: it must receive the
  // session's end and WM_CLOSE as taskkill sends it.
  return CreateWindowExW(0, TrayWindowClass, L"Korvel everywhere", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                         instance, nullptr);
}
