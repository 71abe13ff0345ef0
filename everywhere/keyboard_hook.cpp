#include "keyboard_hook.h"

#include <atomic>
#include <bitset>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "german_layout.h"
#include "keyboard_table.h"

namespace {

// Marks the keys we type ourselves, which the hook lets through, and the
// key that asks whether the hook still hears keys, which it swallows.
const ULONG_PTR OurInput = 0x4B6F7276;   // "Korv"
const ULONG_PTR HookProbe = 0x4B6F7250;  // "KorP"
// A key that no layout gives a meaning.
const WORD ProbeKey = 0xFF;

const UINT WM_INSTALL_HOOK = WM_APP + 20;
const UINT WM_DROP_HOOK = WM_APP + 21;

// Shared between the hook's thread and the tray window's.
std::atomic<bool> TypingOn{true};
std::atomic<Hindrance> FrontHindrance{Hindrance::None};
std::atomic<HWND> FocusJudged{nullptr};
std::atomic<bool> OverOtherLayout{false};
std::atomic<bool> ScrollLockLit{false};
std::atomic<ULONGLONG> LastKeyAt{0};
std::atomic<bool> ProbeHeard{false};
std::atomic<unsigned long> KeyCount{0};
bool ProbeOutstanding = false;  // the tray window's own

HWND Notify = nullptr;
UINT ChangedMessage = 0;
HANDLE HookThread = nullptr;
DWORD HookThreadId = 0;
// For the tests: typing refused, as Windows refuses it into a window of a
// higher integrity level.
const bool TypingRefusedForTests = std::getenv("KORVEL_TEST_REFUSE_TYPING") != nullptr;
// Wine keeps Scroll Lock's light as the X server has it, which no program
// here can set: a press sent to light it only makes Wine press Scroll Lock
// again at the next key, to match the server, and that press would switch
// typing.
const bool LightKeptByXServer = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;

// The hook's thread's own.
HHOOK Hook = nullptr;
std::bitset<256> Swallowed;  // keys whose key-up goes with their swallowed key-down
bool RightAltHeld = false;   // AltGr
bool ScrollLockHeld = false;
bool DeadKeyWaiting = false;  // the next character completes a dead key's letter
bool PauseHeld = false;

bool IsDown(int virtualKey) { return GetAsyncKeyState(virtualKey) < 0; }

// AltGr: the right Alt key, which Windows reports with left Ctrl, and to
// which Wine gives a key code of its own (0xE4; 0xDF as xdotool presses it),
// codes no German key has on Windows.
bool IsAltGr(DWORD virtualKey) { return virtualKey == VK_RMENU || virtualKey == 0xE4 || virtualKey == 0xDF; }

// Ctrl, Alt, the Windows keys and AltGr make a key pass as it is: shortcuts
// and AltGr's characters. No other key, however long held (or stuck: a
// key-up lost to the secure desktop, another hook or Wine), has a say.
bool ShortcutOrAltGrHeld() {
  return RightAltHeld || IsDown(VK_CONTROL) || IsDown(VK_MENU) || IsDown(VK_LWIN) || IsDown(VK_RWIN);
}

// The number pad types digits and + - * / as it is, on every layout.
bool IsNumberPadKey(DWORD virtualKey) { return virtualKey >= VK_NUMPAD0 && virtualKey <= VK_DIVIDE; }

void Changed(WPARAM what = 0) { PostMessageW(Notify, ChangedMessage, what, 0); }

// What the key types in `layout`, as the focused program will see it; 0 for
// nothing, and for a dead key (which waits for the next key).
wchar_t TypedCharacter(const KBDLLHOOKSTRUCT& key, HKL layout) {
  BYTE state[256] = {};
  if (IsDown(VK_SHIFT)) state[VK_SHIFT] = 0x80;
  state[VK_CAPITAL] = GetKeyState(VK_CAPITAL) & 1;
  wchar_t typed[8] = {};
  // Flag 4: the system's own dead-key state stays as it was.
  const int count = ToUnicodeEx(key.vkCode, key.scanCode, state, typed, 8, 4, layout);
  if (count < 0) DeadKeyWaiting = true;
  return count == 1 ? typed[0] : 0;
}

void SendOne(std::vector<INPUT>& inputs, WORD virtualKey, WORD unit, DWORD flags, ULONG_PTR marker) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = unit;
  input.ki.dwFlags = flags;
  input.ki.dwExtraInfo = marker;
  inputs.push_back(input);
}

void Send(std::vector<INPUT>& inputs, WORD virtualKey, WORD unit, DWORD flags, ULONG_PTR marker) {
  SendOne(inputs, virtualKey, unit, flags, marker);
  SendOne(inputs, virtualKey, unit, flags | KEYEVENTF_KEYUP, marker);
}

bool SendAll(std::vector<INPUT>& inputs) {
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// The keys that Windows tells from their twins on the number pad by this flag.
DWORD ExtendedFlag(WORD virtualKey) {
  const bool extended = (virtualKey >= VK_PRIOR && virtualKey <= VK_DOWN) || virtualKey == VK_INSERT ||
                        virtualKey == VK_DELETE || virtualKey == VK_RCONTROL || virtualKey == VK_RMENU ||
                        virtualKey == VK_LWIN || virtualKey == VK_RWIN;
  return extended ? KEYEVENTF_EXTENDEDKEY : 0;
}

// False when Windows did not take it: the key then goes as it was typed.
bool TypeInstead(const std::u16string& text) {
  if (TypingRefusedForTests) return false;
  std::vector<INPUT> inputs;
  for (const char16_t unit : text) Send(inputs, 0, static_cast<WORD>(unit), KEYEVENTF_UNICODE, OurInput);
  return SendAll(inputs);
}

// True when the key press is typed instead, and so swallowed.
bool OnKeyDown(const KBDLLHOOKSTRUCT& key) {
  if (key.vkCode == VK_SCROLL) {
    if (!ScrollLockHeld) {
      ScrollLockLit = !ScrollLockLit;
      TypingOn = !TypingOn;
      Changed();
    }
    ScrollLockHeld = true;
    return false;  // its light shows the state
  }
  if (IsAltGr(key.vkCode)) RightAltHeld = true;
  if (!TypingOn || FrontHindrance != Hindrance::None || ShortcutOrAltGrHeld() || IsNumberPadKey(key.vkCode)) {
    return false;
  }
  if (FocusInFront() != FocusJudged) {
    Changed(JudgeTheFocus);
    return false;
  }
  const HKL layout = GetKeyboardLayout(GetWindowThreadProcessId(GetForegroundWindow(), nullptr));
  const bool otherLayout = !IsGermanLayout(layout);
  if (OverOtherLayout.exchange(otherLayout) != otherLayout) Changed();
  if (otherLayout) return false;
  const bool completesDeadKey = DeadKeyWaiting;
  const wchar_t typed = TypedCharacter(key, layout);
  if (!typed) return false;
  if (completesDeadKey) {
    DeadKeyWaiting = false;  // the system makes the accented letter
    return false;
  }
  if (!IsTranscribedCharacter(typed)) return false;
  TranscribeKey(static_cast<char16_t>(typed));
  if (LookupResult.empty() || LookupResult == std::u16string(1, static_cast<char16_t>(typed))) return false;
  return TypeInstead(LookupResult);
}

bool IsModifier(DWORD virtualKey) {
  return (virtualKey >= VK_SHIFT && virtualKey <= VK_MENU) || (virtualKey >= VK_LSHIFT && virtualKey <= VK_RMENU) ||
         virtualKey == VK_LWIN || virtualKey == VK_RWIN || virtualKey == VK_CAPITAL || IsAltGr(virtualKey);
}

// Pause asks for the text before the caret, or the selection, in the other
// alphabet; the tray window's thread does it, not the hook.
LRESULT OnPause(bool down) {
  if (down && !PauseHeld) Changed(IsDown(VK_SHIFT) ? RewriteByTranscription : RewriteByKeyboard);
  PauseHeld = down;
  return 1;
}

// What the hook does with one key.
LRESULT HandleKey(WPARAM message, const KBDLLHOOKSTRUCT& key, int code, LPARAM data) {
  const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
  if (key.flags & LLKHF_INJECTED) {
    if (key.dwExtraInfo == HookProbe) {
      ProbeHeard = true;
      return 1;  // for no program
    }
    if (key.dwExtraInfo == OurInput) {
      if (key.vkCode == VK_SCROLL && down) ScrollLockLit = !ScrollLockLit;
      return CallNextHookEx(nullptr, code, message, data);
    }
  }
  LastKeyAt = GetTickCount64();
  if (key.vkCode == VK_PAUSE) return OnPause(down);
  if (down && !IsModifier(key.vkCode) && !IsDown(VK_LWIN) && !IsDown(VK_RWIN)) ++KeyCount;
  const std::size_t index = key.vkCode & 0xFF;
  if (down) {
    if (OnKeyDown(key)) {
      Swallowed[index] = true;
      return 1;
    }
  } else {
    if (IsAltGr(key.vkCode)) RightAltHeld = false;
    if (key.vkCode == VK_SCROLL) ScrollLockHeld = false;
    if (Swallowed[index]) {
      Swallowed[index] = false;
      return 1;
    }
  }
  return CallNextHookEx(nullptr, code, message, data);
}

// For the benchmark: how long the hook took for each key pressed or let go
// (not for the keys it typed), written to this file when it stops.
const char* const TimingsFile = std::getenv("KORVEL_HOOK_TIMINGS");
std::vector<LONGLONG> Timings;  // in ticks of the performance counter

LONGLONG Now() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

void WriteTimings() {
  if (!TimingsFile) return;
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  if (FILE* file = std::fopen(TimingsFile, "w")) {
    for (const LONGLONG ticks : Timings) std::fprintf(file, "%.2f\n", 1e6 * ticks / frequency.QuadPart);
    std::fclose(file);
  }
}

// Does the lookup and the typing and nothing else, so that Windows never
// waits for it.
LRESULT CALLBACK LowLevelKeyboardProc(int code, WPARAM message, LPARAM data) {
  if (code != HC_ACTION) return CallNextHookEx(nullptr, code, message, data);
  const KBDLLHOOKSTRUCT& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
  const LONGLONG started = TimingsFile ? Now() : 0;
  const LRESULT result = HandleKey(message, key, code, data);
  if (TimingsFile && !(key.flags & LLKHF_INJECTED)) Timings.push_back(Now() - started);
  return result;
}

bool Install() {
  if (Hook) UnhookWindowsHookEx(Hook);
  Hook = SetWindowsHookExW(WH_KEYBOARD_LL, LowLevelKeyboardProc, GetModuleHandleW(nullptr), 0);
  return Hook != nullptr;
}

struct Start {
  HANDLE ready;
  bool installed;
};

DWORD WINAPI RunHookThread(void* parameter) {
  auto* start = static_cast<Start*>(parameter);
  MSG message;
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, for the tray window's messages
  ScrollLockLit = (GetKeyState(VK_SCROLL) & 1) != 0;
  start->installed = Install();
  SetEvent(start->ready);
  if (!Hook) return 1;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_INSTALL_HOOK) {
      Install();
    } else if (message.message == WM_DROP_HOOK && Hook) {
      UnhookWindowsHookEx(Hook);
      Hook = nullptr;
    }
  }
  if (Hook) UnhookWindowsHookEx(Hook);
  Hook = nullptr;
  WriteTimings();
  return 0;
}

}  // namespace

bool StartKeyboardHook(HWND notify, UINT changedMessage) {
  EnsureKeyboardTable();
  Notify = notify;
  ChangedMessage = changedMessage;
  Start start{CreateEventW(nullptr, TRUE, FALSE, nullptr), false};
  HookThread = CreateThread(nullptr, 0, RunHookThread, &start, 0, &HookThreadId);
  if (HookThread) WaitForSingleObject(start.ready, INFINITE);
  CloseHandle(start.ready);
  if (!start.installed) StopKeyboardHook();
  return start.installed;
}

void StopKeyboardHook() {
  if (!HookThread) return;
  PostThreadMessageW(HookThreadId, WM_QUIT, 0, 0);
  WaitForSingleObject(HookThread, INFINITE);
  CloseHandle(HookThread);
  HookThread = nullptr;
}

bool IsTypingOn() { return TypingOn; }

void SetTypingOn(bool on) { TypingOn = on; }

void SetFrontHindrance(Hindrance hindrance, HWND judgedFocus) {
  FrontHindrance = hindrance;
  FocusJudged = judgedFocus;
}

HWND JudgedFocus() { return FocusJudged; }

HWND FocusInFront() {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(GetWindowThreadProcessId(GetForegroundWindow(), nullptr), &info) ? info.hwndFocus : nullptr;
}

Hindrance CurrentHindrance() {
  const Hindrance front = FrontHindrance;
  return front == Hindrance::None && OverOtherLayout ? Hindrance::OtherLayout : front;
}

void ShowTypingOnScrollLock() {
  if (LightKeptByXServer || ScrollLockLit == !TypingOn) return;
  std::vector<INPUT> inputs;
  Send(inputs, VK_SCROLL, 0, 0, OurInput);
  SendAll(inputs);
}

void CheckKeyboardHook() {
  if (!HookThread) return;
  if (ProbeOutstanding && !ProbeHeard) PostThreadMessageW(HookThreadId, WM_INSTALL_HOOK, 0, 0);
  ProbeOutstanding = false;
  if (GetTickCount64() - LastKeyAt < 2000 || FrontHindrance == Hindrance::Elevated) return;  // it hears keys
  ProbeHeard = false;
  std::vector<INPUT> inputs;
  Send(inputs, ProbeKey, 0, 0, HookProbe);
  ProbeOutstanding = SendAll(inputs);
}

void DropKeyboardHookForTests() { PostThreadMessageW(HookThreadId, WM_DROP_HOOK, 0, 0); }

unsigned long KeysPressed() { return KeyCount; }

bool PressKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (const WORD key : keys) SendOne(inputs, key, 0, ExtendedFlag(key), OurInput);
  for (auto key = keys.end(); key != keys.begin();) {
    --key;
    SendOne(inputs, *key, 0, ExtendedFlag(*key) | KEYEVENTF_KEYUP, OurInput);
  }
  return SendAll(inputs);
}

void LetGoOfModifiers() {
  std::vector<INPUT> inputs;
  for (const WORD key : {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU, VK_LWIN, VK_RWIN}) {
    if (IsDown(key)) SendOne(inputs, key, 0, ExtendedFlag(key) | KEYEVENTF_KEYUP, OurInput);
  }
  if (!inputs.empty()) SendAll(inputs);
}
