// Converting a UTF-16 text that arrives in pieces, with the same result as
// converting it whole: the reference korvel-convert's direct UTF-8 path is
// held to.
#pragma once

#include <string>
#include <string_view>

#include "conversion_mode.h"

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
