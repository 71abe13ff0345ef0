// Decoding UTF-8 to UTF-16: for korvel-convert's line-by-line fixing, and
// the reference path its direct conversion is tested against.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Decodes UTF-8 given in pieces of any size: a sequence split between two
// pieces is completed by the next. Rejects what is not UTF-8: stray or
// missing continuation bytes, overlong forms, surrogates, code points above
// U+10FFFF, and a sequence cut off by the end of the input.
class Utf8Decoder {
 public:
  // Appends the UTF-16 of `bytes` to `out`; false at the first invalid
  // sequence, whose first byte ErrorOffset() then names.
  bool Decode(std::string_view bytes, std::u16string& out);
  // Ends the input; false when it ended inside a sequence.
  bool Finish();
  // Byte offset, from the start of the input, of the invalid sequence.
  std::uint64_t ErrorOffset() const { return errorOffset_; }

 private:
  std::uint64_t offset_ = 0;         // bytes decoded before the current piece
  std::uint64_t sequenceStart_ = 0;  // offset of the sequence in progress
  std::uint64_t errorOffset_ = 0;
  char32_t codePoint_ = 0;
  char32_t minimum_ = 0;  // the smallest code point its length may encode
  int needed_ = 0;        // continuation bytes still to come
};
