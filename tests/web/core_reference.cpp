// What the native core gives, for the web page's agreement test: every
// UTF-16 unit typed (the keyboard lookup), typed back, through both
// converters and rewritten in the other alphabet, and random texts the same.
// Binary records on standard output: kind (1 byte: 0 keyboard, 1 to Latin,
// 2 to Cyrillic, 4 the keyboard's way back, 5 and 6 rewritten by the
// keyboard and by the transcription, their output led by a unit that is 1
// when it is Cyrillic now), the input's length and units, the output's
// length and units; lengths and units little-endian.
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "keyboard_table.h"
#include "text_converters.h"
#include "wrong_alphabet.h"

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
  PutRecord(4, text, UntypeText(text));
  for (const Rewriting rewriting : {Rewriting::Keyboard, Rewriting::Transcription}) {
    const Rewritten rewritten = RewriteInOtherAlphabet(text, rewriting);
    PutRecord(rewriting == Rewriting::Keyboard ? 5 : 6, text,
              std::u16string(1, rewritten.cyrillic ? u'\x01' : u'\0') + rewritten.text);
  }
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
  const std::u16string letters = u"CcHhJjIi ЯЩщХхЁёЮюьъ\u02C7'ĚěďŠščČŽžабвгдabc#+*\r\n\t";
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
