// The transcription core for the web page, through embind. Text crosses as
// UTF-16 code units both ways: strings come in as std::u16string, unit for
// unit; results go out as a view of 16-bit units that the page turns into a
// string itself, so that zero units and lone surrogates arrive as they are
// (embind's own string return stops at a zero unit).
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cstdint>
#include <optional>
#include <string>

#include "alphabet_detector.h"
#include "alphabet_statistics.h"
#include "german_keyboard.h"
#include "keyboard_table.h"
#include "text_converters.h"
#include "wrong_alphabet.h"

namespace {

// The latest result: the view handed out stays valid until the next call.
std::u16string Result;

emscripten::val Units(std::u16string&& text) {
  Result = std::move(text);
  return emscripten::val(
      emscripten::typed_memory_view(Result.size(), reinterpret_cast<const std::uint16_t*>(Result.data())));
}

// What typing `text` gives, unit by unit, as the Windows editor types it.
// One call per key.
emscripten::val TypedText(const std::u16string& text) { return Units(TypeText(text)); }

// What the keys that typed `text` in Korvel give without it.
emscripten::val UntypedText(const std::u16string& text) { return Units(UntypeText(text)); }

// `text` in the other alphabet, by the keyboard or the transcription: the
// text's units, and whether it is Cyrillic now.
emscripten::val Rewrite(const std::u16string& text, bool transcription) {
  const Rewritten rewritten =
      RewriteInOtherAlphabet(text, transcription ? Rewriting::Transcription : Rewriting::Keyboard);
  emscripten::val result = emscripten::val::object();
  result.set("cyrillic", rewritten.cyrillic);
  result.set("text", Units(std::u16string(rewritten.text)));
  return result;
}

// For the extension's generated table: the script of each unit (0 none,
// 1 Latin, 2 Cyrillic), and the transcription's digraphs.
int ScriptOfUnit(int unit) { return static_cast<int>(ScriptOf(static_cast<char16_t>(unit))); }

emscripten::val Digraphs() {
  emscripten::val digraphs = emscripten::val::array();
  for (const Digraph& digraph : LatinToCyrillicDigraphs) {
    emscripten::val entry = emscripten::val::array();
    entry.call<void>("push", static_cast<int>(digraph.first), static_cast<int>(digraph.second),
                     static_cast<int>(digraph.output));
    digraphs.call<void>("push", entry);
  }
  return digraphs;
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

LeftAlone WordsFrom(const emscripten::val& words) {
  LeftAlone list;
  const auto count = words["length"].as<unsigned>();
  for (unsigned i = 0; i < count; ++i) list.push_back(words[i].as<std::u16string>());
  return list;
}

// The fixing by itself: the run's fix as { begin, text, cyrillic }, or null.
emscripten::val JudgeTheRun(const std::u16string& run, const emscripten::val& leftAlone) {
  const std::optional<AlphabetFix> fix = JudgeRun(run, WordsFrom(leftAlone));
  if (!fix) return emscripten::val::null();
  emscripten::val result = emscripten::val::object();
  result.set("begin", static_cast<unsigned>(fix->begin));
  result.set("cyrillic", fix->cyrillic);
  result.set("text", Units(std::u16string(fix->text)));
  return result;
}

// The words a fix taken back leaves alone from then on, a line each.
emscripten::val WordsOfText(const std::u16string& text) {
  std::u16string lines;
  for (const std::u16string& word : WordsOf(text)) lines += word + u'\n';
  return Units(std::move(lines));
}

// For the extension's generated table: a language's letter costs, as the
// core holds them (0 Russian, 1 German, 2 English).
emscripten::val AlphabetCosts(int language) {
  const LetterCosts costs = CostsOf(static_cast<Language>(language));
  const std::size_t size = costs.letters.size() + 1;
  emscripten::val result = emscripten::val::object();
  result.set("pairs", emscripten::val(emscripten::typed_memory_view(size * size, costs.pairs)));
  result.set("threes", emscripten::val(emscripten::typed_memory_view(costs.threeCount, costs.threes)));
  result.set("threeCosts", emscripten::val(emscripten::typed_memory_view(costs.threeCount, costs.threeCosts)));
  result.set("letters", Units(std::u16string(costs.letters)));
  return result;
}

}  // namespace

EMSCRIPTEN_BINDINGS(korvel_core) {
  emscripten::function("typedText", &TypedText);
  emscripten::function("untypedText", &UntypedText);
  emscripten::function("rewrite", &Rewrite);
  emscripten::function("scriptOf", &ScriptOfUnit);
  emscripten::function("latinToCyrillicDigraphs", &Digraphs);
  emscripten::function("cyrillicToLatin", &ToLatin);
  emscripten::function("latinToCyrillic", &ToCyrillic);
  emscripten::function("germanKeyboard", &KeyboardLayout);
  emscripten::function("judgeRun", &JudgeTheRun);
  emscripten::function("wordsOf", &WordsOfText);
  emscripten::function("alphabetCosts", &AlphabetCosts);
}
