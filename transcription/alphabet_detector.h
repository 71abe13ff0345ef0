// Text typed in the wrong alphabet, noticed as it is typed: Russian typed
// with Korvel off (its keys give "Privet, kak dela"), or German or English
// typed with Korvel on ("Гутен Таг"). A run of words is judged, never one
// word alone: Korvel's keys go by sound, so a short word often reads well
// both ways ("мир" and "mir"), and a run that reads as well both ways is
// left alone. Portable: no windowing code, UTF-16 as char16_t; it keeps no
// state, the caller hands it what was typed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Words the user took a fix back from: never fixed again. Compared without
// regard to case, in the alphabet they were typed in.
using LeftAlone = std::vector<std::u16string>;

struct AlphabetFix {
  std::size_t begin;    // the run's text from here on...
  std::u16string text;  // ...becomes this
  bool cyrillic;        // the words became Cyrillic: typing goes on in Cyrillic
};

// Judges `run`, the text typed into a field since the last line break (or
// the last fix, or change of mode), at the end of a word: the fix of its
// last words, or nothing. Only the words' letters change; spaces,
// punctuation and the words it never touches stay as they are.
std::optional<AlphabetFix> JudgeRun(std::u16string_view run, const LeftAlone& leftAlone = {});

// The words of `text` as the detector sees them, without the punctuation
// around them: what a fix taken back leaves alone from then on.
LeftAlone WordsOf(std::u16string_view text);

// `line` as it comes out when typed in one go into a new field with the
// fixing on: each fix as JudgeRun decides it at each word's end, and the
// words after it typed in the alphabet it switched to.
std::u16string FixAlphabetInLine(std::u16string_view line, const LeftAlone& leftAlone = {});
