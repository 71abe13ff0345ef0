// Fuzzes the detector of text typed in the wrong alphabet on runs of
// letters of both alphabets, the keys Korvel types letters with, spaces,
// punctuation and any other unit: a fix keeps the run's length and every
// space where it was, and so does a whole line fixed as typed.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "alphabet_detector.h"

namespace {

void Check(bool holds) {
  if (!holds) std::abort();
}

constexpr std::u16string_view kUnits =
    u"abcdefghijklmnopqrstuvwxyzäöüßABCDEGKPXабвгдежзиклмнопрстуфхцчшщыьэюяЖЩ #'+*.,!?:-/@1\t\u00A0";

bool SameSpaces(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const bool space = a[i] == u' ' || a[i] == u'\t' || a[i] == 0xA0;
    if (space != (b[i] == u' ' || b[i] == u'\t' || b[i] == 0xA0)) return false;
    if (space && a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] < 0xF0 || i + 2 >= size) {
      text += kUnits[data[i] % kUnits.size()];
    } else {
      char16_t unit;
      std::memcpy(&unit, data + i + 1, 2);
      text += unit;
      i += 2;
    }
  }
  const LeftAlone leftAlone = WordsOf(std::u16string_view(text).substr(0, text.size() / 8));
  if (const auto fix = JudgeRun(text, leftAlone)) {
    Check(fix->begin < text.size());
    Check(SameSpaces(std::u16string_view(text).substr(fix->begin), fix->text));
  }
  Check(SameSpaces(text, FixAlphabetInLine(text, leftAlone)));
  return 0;
}
