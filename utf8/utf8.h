// UTF-8 out of the core's UTF-16, and where UTF-8 that arrives in pieces
// may be cut.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline bool IsUtf8Continuation(unsigned byte) { return (byte & 0xC0) == 0x80; }

// The length a lead byte announces; 0 for a byte that cannot begin one.
inline int Utf8SequenceLength(unsigned lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// The bytes of `piece` up to a sequence that its end cuts off, which waits
// for the next piece. Anything else, invalid bytes included, is settled.
std::size_t SettledUtf8Length(std::string_view piece);

// Appends the UTF-8 of `units` to `out`. An unpaired surrogate, which valid
// UTF-8 input never yields, becomes U+FFFD.
void AppendUtf8(std::u16string_view units, std::string& out);

// The UTF-8 of `units`, or of one unit.
std::string Utf8(std::u16string_view units);
std::string Utf8(char16_t unit);
