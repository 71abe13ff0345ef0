// What the native core gives, for the web page's agreement test: every
// UTF-16 unit typed (the keyboard lookup) and through both converters, and
// random texts typed and through both converters. Binary records on standard output:
// kind (1 byte: 0 keyboard, 1 to Latin, 2 to Cyrillic), the input's length
// and units, the output's length and units; lengths and units little-endian.
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "keyboard_table.h"
#include "text_converters.h"

namespace {

void PutUnits(const std::u16string& units) {
  const auto length = static_cast<std::uint32_t>(units.size());
  const unsigned char size[4] = {static_cast<unsigned char>(length), static_cast<unsigned char>(length >> 8),
                                 static_cast<unsigned char>(length >> 16), static_cast<unsigned char>(length >> 24)};
  std::fwrite(size, 1, 4, stdout);
  for (const char16_t unit : units) {
    const unsigned char bytes[2] = {static_cast<unsigned char>(unit), static_cast<unsigned char>(unit >> 8)};
    std::fwrite(bytes, 1, 2, stdout);
  }
}

void PutRecord(int kind, const std::u16string& input, const std::u16string& output) {
  std::fputc(kind, stdout);
  PutUnits(input);
  PutUnits(output);
}

void PutConversions(const std::u16string& text) {
  PutRecord(0, text, TypeText(text));
  PutRecord(1, text, CyrillicToLatin(std::u16string_view(text)));
  PutRecord(2, text, LatinToCyrillic(std::u16string_view(text)));
}

}  // namespace

int main() {
  BuildKeyboardTable();
  for (std::uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
    const std::u16string text(1, static_cast<char16_t>(unit));
    PutConversions(text);
  }
  // Texts of letters that interact (digraphs, doubled outputs, spaces),
  // with any unit now and then, zero units and surrogates among them.
  const std::u16string letters = u"CcHhJjIi ЯЩщХхЁёЮюьъ\u02C7'ĚěďŠščČŽžабвгд\r\n\t";
  std::mt19937 random(20261208);
  for (int round = 0; round < 5000; ++round) {
    std::u16string text(random() % 80, u' ');
    for (char16_t& unit : text) {
      unit = random() % 6 == 0 ? static_cast<char16_t>(random() % 0x10000) : letters[random() % letters.size()];
    }
    PutConversions(text);
  }
  return 0;
}
