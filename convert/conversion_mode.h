// The three conversions korvel-convert offers, each as the core gives it for
// a whole text.
#pragma once

#include <string>
#include <string_view>

enum class ConversionMode {
  ToLatin,     // Cyrillic to the Czech-style Latin transcription
  ToCyrillic,  // the Latin transcription back to Cyrillic
  Keyboard,    // each character as typing it into Korvel gives it
  ToKeys,      // the way back: what Korvel typed as the German keys give it without Korvel
};

// Whether `unit` may stand for one letter together with the unit after it.
bool MayBeginDigraph(ConversionMode mode, char16_t unit);

// Every unit is converted, a zero unit included (passed through).
std::u16string ConvertWhole(ConversionMode mode, std::u16string_view text);
