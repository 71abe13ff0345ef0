#include "stream_conversion.h"

StreamConversion::StreamConversion(ConversionMode mode) : mode_(mode) {}

void StreamConversion::Convert(std::u16string_view piece, std::u16string& out) {
  if (piece.empty()) return;
  std::u16string_view text = piece;
  if (!held_.empty()) {
    joined_.assign(held_);
    joined_.append(piece);
    held_.clear();
    text = joined_;
  }
  if (MayBeginDigraph(mode_, text.back())) {
    held_.assign(1, text.back());
    text.remove_suffix(1);
  }
  out += ConvertWhole(mode_, text);
}

void StreamConversion::Finish(std::u16string& out) {
  out += ConvertWhole(mode_, held_);
  held_.clear();
}
