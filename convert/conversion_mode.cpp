#include "conversion_mode.h"

#include "keyboard_table.h"
#include "text_converters.h"

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
    case ConversionMode::ToKeys:
      return UntypeText(text);
    case ConversionMode::Keyboard:
      break;
  }
  return TypeText(text);
}
