// Korvel's keys as a system keyboard layout: each German key with what
// typing its characters into Korvel gives, from the core's keyboard table.
// Shared by the writers of the Linux, Mac and Windows layout files.
#pragma once

#include <string>
#include <vector>

#include "german_keyboard.h"
#include "utf8.h"

struct LayoutKey {
  const GermanKey* german;
  const KeyPosition* position;
  char16_t plain;       // what the key types alone in Korvel
  char16_t shifted;     // with Shift
  bool capsLockShifts;  // Caps Lock acts as Shift, as on the German layout's letter keys
};

// Every German character key, in keyboard order.
std::vector<LayoutKey> KorvelLayoutKeys();

// What typing the German character `character` into Korvel gives: its row's
// output, or itself; a dead key's accent stays itself.
char16_t TypedInKorvel(char16_t character);

// The layout's name, as each system shows it.
inline constexpr const char* LayoutName = "Russian (Korvel, German keyboard)";

// "0436": four lower-case hex digits.
std::string Hex4(char16_t unit);

std::string XkbSymbols(const std::vector<LayoutKey>& keys);
std::string MacKeylayout(const std::vector<LayoutKey>& keys);
// UTF-16 little-endian with a byte-order mark and CR LF line ends.
std::string WindowsKlc(const std::vector<LayoutKey>& keys);
