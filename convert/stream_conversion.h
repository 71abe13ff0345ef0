// Converting a text that arrives in pieces, with the same result as
// converting it whole.
#pragma once

#include <string>
#include <string_view>

enum class ConversionMode {
  ToLatin,     // Cyrillic to the Czech-style Latin transcription
  ToCyrillic,  // the Latin transcription back to Cyrillic
  Keyboard,    // each character as typing it into Korvel gives it
};

// Whether `unit` may stand for one letter together with the unit after it.
bool MayBeginDigraph(ConversionMode mode, char16_t unit);

// Every unit is converted, a zero unit included (passed through).
std::u16string ConvertWhole(ConversionMode mode, std::u16string_view text);

class StreamConversion {
 public:
  explicit StreamConversion(ConversionMode mode);

  // Converts the next piece, appending to `out` what is settled. A final "C"
  // or "c" waits for the next piece: with an "h" it is one letter.
  void Convert(std::u16string_view piece, std::u16string& out);
  // Ends the text: converts what was held back.
  void Finish(std::u16string& out);

 private:
  ConversionMode mode_;
  std::u16string held_;
  std::u16string joined_;
};
