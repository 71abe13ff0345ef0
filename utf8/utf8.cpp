#include "utf8.h"

std::size_t SettledUtf8Length(std::string_view piece) {
  for (std::size_t back = 1; back <= 3 && back <= piece.size(); ++back) {
    const auto byte = static_cast<unsigned char>(piece[piece.size() - back]);
    if (IsUtf8Continuation(byte)) continue;
    return static_cast<std::size_t>(Utf8SequenceLength(byte)) > back ? piece.size() - back : piece.size();
  }
  return piece.size();
}

void AppendUtf8(std::u16string_view units, std::string& out) {
  // At most three bytes a unit (a pair of two units takes four).
  const std::size_t start = out.size();
  out.resize(start + 3 * units.size());
  char* const first = out.data() + start;
  char* next = first;
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c < 0x80) {
      *next++ = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDFFF) {
      const bool paired = c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF;
      if (paired) {
        c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
      } else {
        c = 0xFFFD;
      }
    }
    if (c < 0x800) {
      *next++ = static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
      *next++ = static_cast<char>(0xE0 | (c >> 12));
      *next++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
      *next++ = static_cast<char>(0xF0 | (c >> 18));
      *next++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *next++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    *next++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  out.resize(start + static_cast<std::size_t>(next - first));
}

std::string Utf8(std::u16string_view units) {
  std::string bytes;
  AppendUtf8(units, bytes);
  return bytes;
}

std::string Utf8(char16_t unit) { return Utf8(std::u16string_view(&unit, 1)); }
