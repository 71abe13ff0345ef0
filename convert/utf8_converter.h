// Converting UTF-8 straight to UTF-8, without the round trip through UTF-16:
// korvel-convert's fast path. It gives byte for byte what decoding, the
// core's UTF-16 conversions and encoding again give (StreamConversion and
// Utf8Decoder, which stay as the reference it is tested against), and
// rejects the same invalid sequences at the same byte offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "conversion_mode.h"
#include "task_thread.h"

class Utf8Converter {
 public:
  // Pieces of at least this many bytes are converted in two halves at once.
  static constexpr std::size_t kDefaultParallelBytes = 128 * 1024;

  // `parallelBytes` is a parameter so that tests and fuzzing reach the split
  // with small inputs.
  explicit Utf8Converter(ConversionMode mode, std::size_t parallelBytes = kDefaultParallelBytes);
  ~Utf8Converter();
  Utf8Converter(const Utf8Converter&) = delete;
  Utf8Converter& operator=(const Utf8Converter&) = delete;

  // Converts the next piece of the current input. Output() is then what the
  // piece settles: a sequence cut off at the piece's end is completed by the
  // next piece, and a letter that may begin a digraph ("C" before "h") waits
  // for the next character. False at the first invalid sequence, whose first
  // byte ErrorOffset() names; Output() is then empty.
  bool Convert(std::string_view piece);
  // Ends the current input; the next piece starts another one, counted from
  // its own first byte. False when the input ended inside a sequence. A letter
  // held back stays held: the inputs are one text.
  bool EndInput();
  // Ends the text: Output() is what was held back. The next piece begins a
  // new text, also after a failure.
  void Finish();

  // Stays valid until the second call after the one that made it, so one
  // piece may be written out while the next is converted.
  std::string_view Output() const { return {buffer_, written_}; }
  // Byte offset of the invalid sequence from the start of its input.
  std::uint64_t ErrorOffset() const { return errorOffset_; }

  struct Tables;

 private:
  template <bool kDigraphs>
  bool ConvertSettled(const unsigned char* from, const unsigned char* to, std::uint64_t offset);
  bool ConvertRange(const unsigned char* from, const unsigned char* to, std::uint64_t offset);
  std::size_t FindCut(const unsigned char* bytes, std::size_t size) const;
  bool ConvertHalves(const unsigned char* bytes, std::size_t cut, std::size_t size);
  bool CompleteCarriedSequence(std::string_view& piece);
  void Emit(char32_t codePoint, const unsigned char* bytes, int length);
  bool Fail(std::uint64_t offset);
  void StartOutput(std::size_t pieceBytes);

  struct OutputBuffer {
    std::unique_ptr<char[]> bytes;
    std::size_t capacity = 0;
  };

  ConversionMode mode_;
  std::size_t parallelBytes_;
  const Tables& tables_;
  std::unique_ptr<Utf8Converter> partner_;  // converts the second half of a large piece
  TaskThread partnerThread_;
  OutputBuffer buffers_[2];  // used in turn
  int current_ = 0;
  char* buffer_ = nullptr;
  std::size_t written_ = 0;

  std::uint64_t offset_ = 0;  // bytes of the current input before this piece
  std::uint64_t errorOffset_ = 0;
  unsigned char carried_[4] = {};  // a sequence the last piece cut off
  int carriedLength_ = 0;
  int held_ = -1;  // a letter waiting to see whether a digraph follows
};
