// Draws Korvel's key map: a German QWERTZ keyboard with what each key types
// in Korvel, unshifted and with Shift, as an SVG picture on standard output,
// or with --text as plain text for the Windows user's guide. Every output
// comes from the core's own KeyboardTable, so neither can drift from what
// typing gives.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "german_keyboard.h"
#include "keyboard_table.h"
#include "utf8.h"

namespace {

std::string Escaped(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

// What typing `key` into Korvel inserts, and whether a row changed it.
std::string Typed(char16_t key, bool& transcribed) {
  TranscribeTypedCharacter(key);
  transcribed = LookupResult != std::u16string(1, key);
  return Utf8(LookupResult);
}

// The words of the plain-text key map, in one of the guide's languages.
struct TextMapWords {
  const char* key;
  const char* withShift;
  const char* everyOther;
  const char* also;
  const char* types;
};

const TextMapWords kEnglish{"Key", "with Shift", "Every other key types its own character.", " Also: ", " types "};
const TextMapWords kGerman{"Taste", "mit Umschalt", "Jede andere Taste tippt ihr eigenes Zeichen.",
                           " Außerdem: ", " tippt "};
const TextMapWords kRussian{"Клавиша", "с Shift", "Остальные клавиши печатают свой символ.", " Кроме того: ", " даёт "};

// Rows whose key no German key types (the Czech letters with caron), as
// " Also: Ě types ъ, ..." for the legend.
std::string KeysOffTheKeyboard(bool forSvg, const TextMapWords& words = kEnglish) {
  std::u16string seen;
  std::string list;
  for (const TranscriptionPair& row : KeyboardTable) {
    const char16_t key = row.key.front();
    if (seen.find(key) != std::u16string::npos) continue;  // shadowed by an earlier row
    seen.push_back(key);
    bool onKeyboard = false;
    for (const GermanKeyRow& keyRow : GermanKeyboard()) {
      for (const GermanKey& k : keyRow.keys) onKeyboard |= k.plain == key || k.shifted == key;
    }
    if (onKeyboard) continue;
    bool transcribed = false;
    const std::string entry = Utf8(key) + words.types + Typed(key, transcribed);
    list += (list.empty() ? words.also : ", ") + (forSvg ? Escaped(entry) : entry);
  }
  return list.empty() ? list : list + ".";
}

constexpr int kKey = 64;  // key pitch in pixels
constexpr int kGap = 6;
constexpr int kMargin = 16;
constexpr int kTop = 56;

std::size_t CharacterCount(const std::string& utf8) {
  std::size_t characters = 0;
  for (const char c : utf8) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return characters;
}

// `text` and spaces up to `width` characters.
std::string Padded(const std::string& text, std::size_t width) {
  return text + std::string(width - std::min(width, CharacterCount(text)), ' ');
}

// Keyboard row by keyboard row, the keys that type Cyrillic, in columns:
//   Key         q  w  e ...
//   Korvel      ё  ю  е ...
//   with Shift  Ё  Ю  Е ...
void PrintTextMap(const TextMapWords& words) {
  const std::size_t labels = std::max({CharacterCount(words.key), CharacterCount(words.withShift), std::size_t{10}});
  for (const GermanKeyRow& row : GermanKeyboard()) {
    std::string keys = Padded(words.key, labels);
    std::string plain = Padded("Korvel", labels);
    std::string shifted = Padded(words.withShift, labels);
    const std::size_t empty = keys.size();
    for (const GermanKey& key : row.keys) {
      bool plainChanged = false;
      bool shiftedChanged = false;
      const std::string plainText = Typed(key.plain, plainChanged);
      const std::string shiftedText = Typed(key.shifted, shiftedChanged);
      if (!plainChanged && !shiftedChanged) continue;
      keys += "  " + Utf8(key.plain);
      plain += "  " + plainText;
      shifted += "  " + shiftedText;
    }
    if (keys.size() == empty) continue;
    std::printf("%s\n%s\n%s\n\n", keys.c_str(), plain.c_str(), shifted.c_str());
  }
  std::printf("%s%s\n", words.everyOther, KeysOffTheKeyboard(false, words).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  BuildKeyboardTable();
  if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
    const char* language = argc > 2 ? argv[2] : "en";
    PrintTextMap(std::strcmp(language, "de") == 0 ? kGerman : std::strcmp(language, "ru") == 0 ? kRussian : kEnglish);
    return 0;
  }
  const int width = 2 * kMargin + 14 * kKey;
  const int height = kTop + 5 * kKey + 60;
  std::printf(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" role=\"img\" "
      "aria-labelledby=\"title desc\">\n",
      width, height, width, height);
  std::printf(
      "<title id=\"title\">Korvel key map</title>\n"
      "<desc id=\"desc\">A German keyboard. Each key shows in large letters what it types in Korvel: below without "
      "Shift, above with Shift. The key's own label is small in its corner.</desc>\n");
  std::printf("<rect width=\"%d\" height=\"%d\" fill=\"#ffffff\"/>\n", width, height);
  std::printf(
      "<g font-family=\"DejaVu Sans\">\n"
      "<text x=\"%d\" y=\"32\" font-size=\"20\" font-weight=\"bold\" fill=\"#1a1a1a\">Korvel: a German keyboard "
      "types Russian</text>\n",
      kMargin);
  int y = kTop;
  for (const GermanKeyRow& row : GermanKeyboard()) {
    double x = kMargin + row.indent * kKey;
    for (const GermanKey& key : row.keys) {
      bool plainChanged = false;
      bool shiftedChanged = false;
      const std::string plain = Escaped(Typed(key.plain, plainChanged));
      const std::string shifted = Escaped(Typed(key.shifted, shiftedChanged));
      const bool changed = plainChanged || shiftedChanged;
      const int left = static_cast<int>(x);
      std::printf("<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" rx=\"6\" fill=\"%s\" stroke=\"#6b7280\"/>\n",
                  left, y, kKey - kGap, kKey - kGap, changed ? "#e3ecfb" : "#f3f4f6");
      std::printf("<text x=\"%d\" y=\"%d\" font-size=\"20\" fill=\"%s\">%s</text>\n", left + 8, y + 24,
                  shiftedChanged ? "#0b2e6f" : "#4b5563", shifted.c_str());
      std::printf("<text x=\"%d\" y=\"%d\" font-size=\"20\" fill=\"%s\">%s</text>\n", left + 8, y + 50,
                  plainChanged ? "#0b2e6f" : "#4b5563", plain.c_str());
      std::printf("<text x=\"%d\" y=\"%d\" font-size=\"11\" fill=\"#4b5563\" text-anchor=\"end\">%s %s</text>\n",
                  left + kKey - kGap - 5, y + 14, Escaped(Utf8(key.shifted)).c_str(), Escaped(Utf8(key.plain)).c_str());
      x += kKey;
    }
    y += kKey;
  }
  // The space bar types a space, as every key without a row types itself.
  std::printf(
      "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" rx=\"6\" fill=\"#f3f4f6\" stroke=\"#6b7280\"/>\n"
      "<text x=\"%d\" y=\"%d\" font-size=\"13\" fill=\"#4b5563\" text-anchor=\"middle\">space</text>\n",
      kMargin + 4 * kKey, y, 6 * kKey - kGap, kKey - kGap, kMargin + 7 * kKey - kGap / 2, y + 34);
  std::printf(
      "<text x=\"%d\" y=\"%d\" font-size=\"13\" fill=\"#1a1a1a\">Blue keys type Cyrillic: large below without Shift, "
      "above with Shift; the key's own label is small in its corner.</text>\n"
      "<text x=\"%d\" y=\"%d\" font-size=\"13\" fill=\"#1a1a1a\">Every other key types its own character.%s</text>\n",
      kMargin, y + kKey + 20, kMargin, y + kKey + 40, KeysOffTheKeyboard(true).c_str());
  std::printf("</g>\n</svg>\n");
  return 0;
}
