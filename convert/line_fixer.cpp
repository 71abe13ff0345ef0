#include "line_fixer.h"

#include "alphabet_detector.h"
#include "utf8.h"

void LineFixer::StartOutput() {
  current_ ^= 1;
  outputs_[current_].clear();
}

bool LineFixer::Convert(std::string_view piece) {
  StartOutput();
  std::size_t start = 0;
  // A newline byte is a newline: no byte of a longer sequence looks like one.
  while (start < piece.size()) {
    const std::size_t newline = piece.find('\n', start);
    const std::size_t end = newline == piece.npos ? piece.size() : newline + 1;
    const std::string_view part = piece.substr(start, end - start);
    if (!decoder_.Decode(part, units_)) {
      errorOffset_ = decoder_.ErrorOffset();
      outputs_[current_].clear();
      return false;
    }
    bytes_ += part;
    if (newline != piece.npos) Emit(true);
    start = end;
  }
  return true;
}

bool LineFixer::EndInput() {
  StartOutput();
  if (!decoder_.Finish()) {
    errorOffset_ = decoder_.ErrorOffset();
    return false;
  }
  decoder_ = Utf8Decoder{};  // the next input's offsets count from its own start
  return true;
}

void LineFixer::Finish() {
  StartOutput();
  if (!bytes_.empty()) Emit(false);
  decoder_ = Utf8Decoder{};
}

void LineFixer::Emit(bool lineEnd) {
  std::size_t end = units_.size() - (lineEnd ? 1 : 0);
  if (end > 0 && units_[end - 1] == u'\r') --end;
  const std::u16string_view line(units_.data(), end);
  const std::u16string fixed = FixAlphabetInLine(line);
  std::string& out = outputs_[current_];
  if (fixed == line) {
    out += bytes_;
  } else {
    AppendUtf8(fixed, out);
    out.append(bytes_, bytes_.size() - (units_.size() - end), std::string::npos);
  }
  bytes_.clear();
  units_.clear();
}
