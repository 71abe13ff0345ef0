// What was typed into the focused field, as Korvel everywhere saw it: the
// text before the caret since the last click, change of focus, line break or
// key that moves the caret, with Backspace taking back the last character.
// Pause fixes the end of it and the fixing by itself reads it word by word,
// with no clipboard and in every program that takes typing. Written by the
// hook's thread and read by the tray window's: each call takes the lock.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

class TypedRecord {
 public:
  struct Snapshot {
    HWND field = nullptr;
    std::u16string text;
    unsigned long changes = 0;  // how many times it changed: the same number, the same text
  };

  // A new record for `field`, empty.
  void Reset(HWND field);
  // `text` typed into `field` (a new record where it was another field's).
  void Append(HWND field, std::u16string_view text);
  // Backspace: the last character taken back; with nothing left to take
  // back, the caret went into text the record never saw, and it starts anew.
  void TakeBack(HWND field);
  // The last `length` units of the record, as long as the record is still
  // `expected` (its change count), replaced by `with`: a fix typed over them.
  bool Replace(unsigned long expected, std::size_t length, std::u16string_view with);
  Snapshot Read() const;

 private:
  static constexpr std::size_t kMost = 4096;  // the end of a long run is what counts
  mutable SRWLOCK lock_ = SRWLOCK_INIT;
  HWND field_ = nullptr;
  std::u16string text_;
  unsigned long changes_ = 0;
};
