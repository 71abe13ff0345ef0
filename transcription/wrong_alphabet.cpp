#include "wrong_alphabet.h"

#include "keyboard_table.h"
#include "text_converters.h"

Script ScriptOf(char16_t unit) {
  if (unit >= 0x0400 && unit <= 0x04FF) return Script::Cyrillic;
  if ((unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z')) return Script::Latin;
  // Latin-1's letters (not × and ÷), Latin Extended-A and -B, the caron.
  if (unit >= 0x00C0 && unit <= 0x024F && unit != 0x00D7 && unit != 0x00F7) return Script::Latin;
  return unit == 0x02C7 ? Script::Latin : Script::None;
}

Rewritten RewriteInOtherAlphabet(std::u16string_view text, Rewriting rewriting) {
  std::size_t latin = 0;
  std::size_t cyrillic = 0;
  for (const char16_t unit : text) {
    const Script script = ScriptOf(unit);
    latin += script == Script::Latin;
    cyrillic += script == Script::Cyrillic;
  }
  const bool toLatin = cyrillic > latin;
  if (rewriting == Rewriting::Transcription) {
    return {toLatin ? CyrillicToLatin(text) : LatinToCyrillic(text), !toLatin};
  }
  return {toLatin ? UntypeText(text) : TypeText(text), !toLatin};
}
