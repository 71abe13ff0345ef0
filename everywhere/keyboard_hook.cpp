#include "keyboard_hook.h"

#include <bitset>
#include <cwctype>
#include <string>
#include <vector>

#include "keyboard_table.h"

namespace {

HHOOK Hook = nullptr;
HWND Notify = nullptr;
UINT SwitchedMessage = 0;
bool TypingOn = true;

// Marks the keys we type ourselves, which the hook lets through.
const ULONG_PTR OurInput = 0x4B6F7276;  // "Korv"

std::bitset<256> Swallowed;      // keys whose key-up goes with their swallowed key-down
std::bitset<256> HeldNonTyping;  // held keys that type nothing: AltGr among them
bool ScrollLockHeld = false;
bool DeadKeyWaiting = false;  // the next character completes a dead key's letter

bool IsDown(int virtualKey) { return GetAsyncKeyState(virtualKey) < 0; }

bool IsShiftOrLock(DWORD virtualKey) {
  switch (virtualKey) {
    case VK_SHIFT:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_SCROLL:
      return true;
  }
  return false;
}

// Shortcuts and AltGr pass as they are. Windows reports AltGr as Ctrl and
// right Alt; Wine reports it as a key of its own that types nothing, hence
// any such key held down counts.
bool ShortcutOrAltGrHeld(DWORD virtualKey) {
  if (IsDown(VK_CONTROL) || IsDown(VK_MENU) || IsDown(VK_LWIN) || IsDown(VK_RWIN)) return true;
  for (int key = 0; key < 256; ++key) {
    if (!HeldNonTyping[key] || static_cast<DWORD>(key) == virtualKey) continue;
    if (IsDown(key)) return true;
    HeldNonTyping[key] = false;  // its key-up went past us
  }
  return false;
}

HWND FocusOfForegroundThread(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

bool IsPasswordBox(HWND window) {
  if (!window || !(GetWindowLongW(window, GWL_STYLE) & ES_PASSWORD)) return false;
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
  return std::wstring(name).find(L"edit") != std::wstring::npos;
}

// What the key types in the focused program's layout, as that program will
// see it; 0 for nothing, and for a dead key (which waits for the next key).
wchar_t TypedCharacter(const KBDLLHOOKSTRUCT& key, DWORD thread) {
  BYTE state[256] = {};
  if (IsDown(VK_SHIFT)) state[VK_SHIFT] = 0x80;
  state[VK_CAPITAL] = GetKeyState(VK_CAPITAL) & 1;
  wchar_t typed[8] = {};
  // Flag 4: the system's own dead-key state stays as it was.
  const int count = ToUnicodeEx(key.vkCode, key.scanCode, state, typed, 8, 4, GetKeyboardLayout(thread));
  if (count < 0) DeadKeyWaiting = true;
  return count == 1 ? typed[0] : 0;
}

void TypeInstead(const std::u16string& text) {
  std::vector<INPUT> inputs;
  for (const char16_t unit : text) {
    for (const DWORD up : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wScan = static_cast<WORD>(unit);
      input.ki.dwFlags = KEYEVENTF_UNICODE | up;
      input.ki.dwExtraInfo = OurInput;
      inputs.push_back(input);
    }
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// True when the key press is typed instead, and so swallowed.
bool OnKeyDown(const KBDLLHOOKSTRUCT& key) {
  if (key.vkCode == VK_SCROLL) {
    if (!ScrollLockHeld) {
      SetTypingOn(!TypingOn);
      PostMessageW(Notify, SwitchedMessage, 0, 0);
    }
    ScrollLockHeld = true;
    return false;  // its light shows the state
  }
  if (!TypingOn || ShortcutOrAltGrHeld(key.vkCode)) return false;
  const DWORD thread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
  const bool completesDeadKey = DeadKeyWaiting;
  const wchar_t typed = TypedCharacter(key, thread);
  if (!typed) {
    if (!IsShiftOrLock(key.vkCode) && !DeadKeyWaiting) HeldNonTyping[key.vkCode & 0xFF] = true;
    return false;
  }
  if (completesDeadKey) {
    DeadKeyWaiting = false;  // the system makes the accented letter
    return false;
  }
  if (!IsTranscribedCharacter(typed)) return false;
  TranscribeKey(static_cast<char16_t>(typed));
  if (LookupResult.empty() || LookupResult == std::u16string(1, static_cast<char16_t>(typed))) return false;
  if (IsPasswordBox(FocusOfForegroundThread(thread))) return false;
  TypeInstead(LookupResult);
  return true;
}

// Does the lookup and the typing and nothing else, so that Windows never
// waits for it.
LRESULT CALLBACK LowLevelKeyboardProc(int code, WPARAM message, LPARAM data) {
  if (code != HC_ACTION) return CallNextHookEx(nullptr, code, message, data);
  const KBDLLHOOKSTRUCT& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
  if ((key.flags & LLKHF_INJECTED) && key.dwExtraInfo == OurInput) return CallNextHookEx(nullptr, code, message, data);
  const std::size_t index = key.vkCode & 0xFF;
  if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
    if (OnKeyDown(key)) {
      Swallowed[index] = true;
      return 1;
    }
  } else {
    HeldNonTyping[index] = false;
    if (key.vkCode == VK_SCROLL) ScrollLockHeld = false;
    if (Swallowed[index]) {
      Swallowed[index] = false;
      return 1;
    }
  }
  return CallNextHookEx(nullptr, code, message, data);
}

}  // namespace

bool InstallKeyboardHook(HWND notify, UINT switchedMessage) {
  if (KeyboardTable.empty()) BuildKeyboardTable();
  Notify = notify;
  SwitchedMessage = switchedMessage;
  Hook = SetWindowsHookExW(WH_KEYBOARD_LL, LowLevelKeyboardProc, GetModuleHandleW(nullptr), 0);
  return Hook != nullptr;
}

void RemoveKeyboardHook() {
  if (Hook) UnhookWindowsHookEx(Hook);
  Hook = nullptr;
}

bool IsTypingOn() { return TypingOn; }

void SetTypingOn(bool on) { TypingOn = on; }
