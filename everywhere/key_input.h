// Keys that Korvel everywhere sends itself, built for SendInput: each with
// the scan code the keyboard would send (Windows Terminal drops keys without
// one, and remote desktop clients forward scan codes alone), all marked as
// Korvel's own so that its hook lets them pass.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string_view>
#include <vector>

// dwExtraInfo of Korvel's own input: "Korv".
inline constexpr ULONG_PTR KorvelInput = 0x4B6F7276;

class KeyInputs {
 public:
  // Scan codes as `layout` has them.
  explicit KeyInputs(HKL layout) : layout_(layout) {}

  // A key by its virtual key code, down or up.
  void Key(WORD virtualKey, bool down);
  // A key exactly as a keyboard sent it: its own virtual key, scan code and
  // extended flag.
  void SameKey(const KBDLLHOOKSTRUCT& key, bool down);
  // Pressed and let go.
  void Tap(WORD virtualKey, int times = 1);
  // Each down in order, then each up in reverse order.
  void Chord(std::initializer_list<WORD> keys);
  // Text, typed unit by unit (what no key of the layout types).
  void Text(std::u16string_view text);

  std::vector<INPUT>& Inputs() { return inputs_; }
  bool Empty() const { return inputs_.empty(); }

 private:
  void Add(WORD virtualKey, WORD scan, DWORD flags);
  HKL layout_;
  std::vector<INPUT> inputs_;
};
