#include "stream_conversion.h"

#include "keyboard_table.h"
#include "text_converters.h"

namespace {

std::u16string TypeOnKeyboard(std::u16string_view text) {
  if (KeyboardTable.empty()) BuildKeyboardTable();
  return TypeText(text);
}

}  // namespace

bool MayBeginDigraph(ConversionMode mode, char16_t unit) {
  if (mode != ConversionMode::ToCyrillic) return false;
  for (const Digraph& digraph : LatinToCyrillicDigraphs) {
    if (digraph.first == unit) return true;
  }
  return false;
}

std::u16string ConvertWhole(ConversionMode mode, std::u16string_view text) {
  switch (mode) {
    case ConversionMode::ToLatin:
      return CyrillicToLatin(text);
    case ConversionMode::ToCyrillic:
      return LatinToCyrillic(text);
    case ConversionMode::Keyboard:
      break;
  }
  return TypeOnKeyboard(text);
}

StreamConversion::StreamConversion(ConversionMode mode) : mode_(mode) {}

void StreamConversion::Convert(std::u16string_view piece, std::u16string& out) {
  if (piece.empty()) return;
  std::u16string_view text = piece;
  if (!held_.empty()) {
    joined_.assign(held_);
    joined_.append(piece);
    held_.clear();
    text = joined_;
  }
  if (MayBeginDigraph(mode_, text.back())) {
    held_.assign(1, text.back());
    text.remove_suffix(1);
  }
  out += ConvertWhole(mode_, text);
}

void StreamConversion::Finish(std::u16string& out) {
  out += ConvertWhole(mode_, held_);
  held_.clear();
}
