// Text typed in the wrong alphabet, turned into what was meant: Latin typed
// while Korvel was off becomes what Korvel would have typed, and Cyrillic
// that Korvel typed by mistake becomes what the keys give without it; or,
// for the transcription, Cyrillic becomes the Czech-style Latin and back.
// Portable: no windowing code, UTF-16 as char16_t.
#pragma once

#include <string>
#include <string_view>

enum class Script { None, Latin, Cyrillic };

// Which alphabet `unit` is a letter of. The caron standing alone (U+02C7)
// is a Latin letter here: the transcription writes the soft sign with it.
Script ScriptOf(char16_t unit);

// The keyboard (the keyboard table and its way back), or the transcription
// (the whole-text converters).
enum class Rewriting { Keyboard, Transcription };

struct Rewritten {
  std::u16string text;
  bool cyrillic;  // the text is now Cyrillic: typing goes on in Cyrillic
};

// `text` in the other alphabet, chosen by what most of its letters are:
// mostly Cyrillic goes to Latin, anything else (Latin, a tie, no letters at
// all) to Cyrillic. A text holding both is turned as a whole, so letters
// already in the chosen alphabet stay as they are. Safe from any thread.
Rewritten RewriteInOtherAlphabet(std::u16string_view text, Rewriting rewriting);
