// The transcription core for the web page, through embind. Text crosses as
// UTF-16 code units both ways: strings come in as std::u16string, unit for
// unit; results go out as a view of 16-bit units that the page turns into a
// string itself, so that zero units and lone surrogates arrive as they are
// (embind's own string return stops at a zero unit).
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cstdint>
#include <string>

#include "keyboard_table.h"
#include "text_converters.h"

namespace {

// The latest result: the view handed out stays valid until the next call.
std::u16string Result;

emscripten::val Units(std::u16string&& text) {
  Result = std::move(text);
  return emscripten::val(
      emscripten::typed_memory_view(Result.size(), reinterpret_cast<const std::uint16_t*>(Result.data())));
}

void EnsureKeyboardTable() {
  if (KeyboardTable.empty()) BuildKeyboardTable();
}

// What typing the character `code` into Korvel's editor inserts, as the
// Windows editor hook does it: a row's output, or the character itself.
emscripten::val TypedCharacter(unsigned code) {
  EnsureKeyboardTable();
  TranscribeTypedCharacter(static_cast<char16_t>(code));
  return Units(std::u16string(LookupResult));
}

bool IsTranscribed(double code) { return code >= 0 && IsTranscribedCharacter(static_cast<unsigned long long>(code)); }

// What typing `text` gives, unit by unit: the units in the transcribed range
// as TypedCharacter gives them, the others unchanged. One call per key.
emscripten::val TypedText(const std::u16string& text) {
  EnsureKeyboardTable();
  std::u16string output;
  for (const char16_t unit : text) {
    if (IsTranscribedCharacter(unit)) {
      TranscribeTypedCharacter(unit);
      output += LookupResult;
    } else {
      output.push_back(unit);
    }
  }
  return Units(std::move(output));
}

emscripten::val ToLatin(const std::u16string& text) { return Units(CyrillicToLatin(std::u16string_view(text))); }

emscripten::val ToCyrillic(const std::u16string& text) { return Units(LatinToCyrillic(std::u16string_view(text))); }

}  // namespace

EMSCRIPTEN_BINDINGS(korvel_core) {
  emscripten::function("isTranscribedCharacter", &IsTranscribed);
  emscripten::function("typedCharacter", &TypedCharacter);
  emscripten::function("typedText", &TypedText);
  emscripten::function("cyrillicToLatin", &ToLatin);
  emscripten::function("latinToCyrillic", &ToCyrillic);
}
