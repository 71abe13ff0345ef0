// The transcription core for the web page, through embind. Text crosses as
// UTF-16 code units both ways: strings come in as std::u16string, unit for
// unit; results go out as a view of 16-bit units that the page turns into a
// string itself, so that zero units and lone surrogates arrive as they are
// (embind's own string return stops at a zero unit).
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cstdint>
#include <string>

#include "german_keyboard.h"
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

// What typing `text` gives, unit by unit, as the Windows editor types it.
// One call per key.
emscripten::val TypedText(const std::u16string& text) {
  EnsureKeyboardTable();
  return Units(TypeText(text));
}

emscripten::val ToLatin(const std::u16string& text) { return Units(CyrillicToLatin(std::u16string_view(text))); }

emscripten::val ToCyrillic(const std::u16string& text) { return Units(LatinToCyrillic(std::u16string_view(text))); }

// The German keyboard's keys for the on-screen keyboard, row by row: for
// each, the units it types alone and with Shift, and its KeyboardEvent.code.
emscripten::val KeyboardLayout() {
  emscripten::val rows = emscripten::val::array();
  for (const GermanKeyRow& row : GermanKeyboard()) {
    emscripten::val keys = emscripten::val::array();
    for (const GermanKey& key : row.keys) {
      emscripten::val entry = emscripten::val::array();
      entry.call<void>("push", static_cast<int>(key.plain), static_cast<int>(key.shifted), std::string(key.code));
      keys.call<void>("push", entry);
    }
    rows.call<void>("push", keys);
  }
  return rows;
}

}  // namespace

EMSCRIPTEN_BINDINGS(korvel_core) {
  emscripten::function("typedText", &TypedText);
  emscripten::function("cyrillicToLatin", &ToLatin);
  emscripten::function("latinToCyrillic", &ToCyrillic);
  emscripten::function("germanKeyboard", &KeyboardLayout);
}
