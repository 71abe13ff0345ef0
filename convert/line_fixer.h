// korvel-convert --fix-alphabet: each line of the text as it would stand had
// it been typed in one go into a new field with the fixing by itself on;
// everything else byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "utf8_decoder.h"

class LineFixer {
 public:
  // Takes the next piece of the current input. Output() is then its whole
  // lines, fixed; a line the piece cuts off waits for the next. False at the
  // first invalid sequence, whose first byte ErrorOffset() names.
  bool Convert(std::string_view piece);
  // Ends the current input; false when it ended inside a sequence. A line
  // it cut off goes on in the next input: the inputs are one text.
  bool EndInput();
  // Ends the text: Output() is its last line.
  void Finish();

  // Stays valid until the second call after the one that made it, so one
  // piece may be written out while the next is converted.
  std::string_view Output() const { return outputs_[current_]; }
  std::uint64_t ErrorOffset() const { return errorOffset_; }

 private:
  void StartOutput();
  void Emit(bool lineEnd);

  Utf8Decoder decoder_;
  std::string bytes_;     // the line so far, as it came
  std::u16string units_;  // and decoded
  std::string outputs_[2];
  int current_ = 0;
  std::uint64_t errorOffset_ = 0;
};
