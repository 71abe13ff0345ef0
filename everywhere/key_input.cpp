#include "key_input.h"

void KeyInputs::Add(WORD virtualKey, WORD scan, DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = scan;
  input.ki.dwFlags = flags;
  input.ki.dwExtraInfo = KorvelInput;
  inputs_.push_back(input);
}

void KeyInputs::Key(WORD virtualKey, bool down) {
  // The extended keys (the arrows and the block above them, right Ctrl and
  // Alt, the Windows keys) come with a prefix byte that tells them from
  // their twins on the number pad.
  const UINT scan = MapVirtualKeyExW(virtualKey, MAPVK_VK_TO_VSC_EX, layout_);
  const bool extended = (scan & 0xFF00) == 0xE000 || (scan & 0xFF00) == 0xE100;
  Add(virtualKey, static_cast<WORD>(scan & 0xFF),
      (extended ? KEYEVENTF_EXTENDEDKEY : 0) | (down ? 0 : KEYEVENTF_KEYUP));
}

void KeyInputs::SameKey(const KBDLLHOOKSTRUCT& key, bool down) {
  Add(static_cast<WORD>(key.vkCode), static_cast<WORD>(key.scanCode),
      ((key.flags & LLKHF_EXTENDED) ? KEYEVENTF_EXTENDEDKEY : 0) | (down ? 0 : KEYEVENTF_KEYUP));
}

void KeyInputs::Tap(WORD virtualKey, int times) {
  for (int time = 0; time < times; ++time) {
    Key(virtualKey, true);
    Key(virtualKey, false);
  }
}

void KeyInputs::Chord(std::initializer_list<WORD> keys) {
  for (const WORD key : keys) Key(key, true);
  for (auto key = keys.end(); key != keys.begin();) Key(*--key, false);
}

void KeyInputs::Text(std::u16string_view text) {
  for (const char16_t unit : text) {
    Add(0, static_cast<WORD>(unit), KEYEVENTF_UNICODE);
    Add(0, static_cast<WORD>(unit), KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
  }
}
