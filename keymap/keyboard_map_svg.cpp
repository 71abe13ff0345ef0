// Draws Korvel's key map: a German QWERTZ keyboard with what each key types
// in Korvel, unshifted and with Shift, as an SVG picture on standard output,
// or with --text as plain text for the Windows user's guide. Every output
// comes from the core's own KeyboardTable, so neither can drift from what
// typing gives.
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

// Rows whose key no German key types (the Czech letters with caron), as
// " Also: Ě types ъ, ..." for the legend.
std::string KeysOffTheKeyboard(bool forSvg) {
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
    const std::string entry = Utf8(key) + " types " + Typed(key, transcribed);
    list += (list.empty() ? " Also: " : ", ") + (forSvg ? Escaped(entry) : entry);
  }
  return list.empty() ? list : list + ".";
}

constexpr int kKey = 64;  // key pitch in pixels
constexpr int kGap = 6;
constexpr int kMargin = 16;
constexpr int kTop = 56;

// Keyboard row by keyboard row, the keys that type Cyrillic, in columns:
//   Key         q  w  e ...
//   Korvel      ё  ю  е ...
//   with Shift  Ё  Ю  Е ...
void PrintTextMap() {
  for (const GermanKeyRow& row : GermanKeyboard()) {
    std::string keys = "Key       ";
    std::string plain = "Korvel    ";
    std::string shifted = "with Shift";
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
    if (keys.size() == std::strlen("Key       ")) continue;
    std::printf("%s\n%s\n%s\n\n", keys.c_str(), plain.c_str(), shifted.c_str());
  }
  std::printf("Every other key types its own character.%s\n", KeysOffTheKeyboard(false).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  BuildKeyboardTable();
  if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
    PrintTextMap();
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
