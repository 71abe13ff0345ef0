#include "layout_keys.h"

#include <cstdio>

#include "keyboard_table.h"
#include "utf8.h"

namespace {

bool IsLatin1LowerCase(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7); }

}  // namespace

char16_t TypedInKorvel(char16_t character) {
  if (GermanDeadKeyOf(character) || !IsTranscribedCharacter(character)) return character;
  const char16_t output = KeyOutput(character);
  return output ? output : character;
}

std::vector<LayoutKey> KorvelLayoutKeys() {
  std::vector<LayoutKey> keys;
  for (const GermanKeyRow& row : GermanKeyboard()) {
    for (const GermanKey& key : row.keys) {
      const bool letter = IsLatin1LowerCase(key.plain) && key.shifted == key.plain - 0x20;
      keys.push_back({&key, PositionOf(key.code), TypedInKorvel(key.plain), TypedInKorvel(key.shifted), letter});
    }
  }
  return keys;
}

std::string Hex4(char16_t unit) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04x", static_cast<unsigned>(unit));
  return digits;
}
