#include "utf8_decoder.h"

namespace {

char16_t* PutUtf16(char32_t codePoint, char16_t* out) {
  if (codePoint < 0x10000) {
    *out++ = static_cast<char16_t>(codePoint);
  } else {
    codePoint -= 0x10000;
    *out++ = static_cast<char16_t>(0xD800 + (codePoint >> 10));
    *out++ = static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
  }
  return out;
}

}  // namespace

bool Utf8Decoder::Decode(std::string_view bytes, std::u16string& out) {
  // No byte yields more than one unit, except a four-byte sequence's last,
  // which yields two for the four bytes: the piece's length always suffices.
  const std::size_t start = out.size();
  out.resize(start + bytes.size() + 1);
  char16_t* const first = out.data() + start;
  char16_t* next = first;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (needed_ == 0) {
      if (byte < 0x80) {
        *next++ = byte;
        continue;
      }
      sequenceStart_ = offset_ + i;
      if (byte >= 0xC2 && byte <= 0xDF) {
        codePoint_ = byte & 0x1F;
        needed_ = 1;
        minimum_ = 0x80;
      } else if (byte >= 0xE0 && byte <= 0xEF) {
        codePoint_ = byte & 0x0F;
        needed_ = 2;
        minimum_ = 0x800;
      } else if (byte >= 0xF0 && byte <= 0xF4) {
        codePoint_ = byte & 0x07;
        needed_ = 3;
        minimum_ = 0x10000;
      } else {
        out.resize(start + static_cast<std::size_t>(next - first));
        errorOffset_ = sequenceStart_;
        return false;
      }
      continue;
    }
    if ((byte & 0xC0) != 0x80) {
      out.resize(start + static_cast<std::size_t>(next - first));
      errorOffset_ = sequenceStart_;
      return false;
    }
    codePoint_ = (codePoint_ << 6) | (byte & 0x3F);
    if (--needed_ == 0) {
      if (codePoint_ < minimum_ || codePoint_ > 0x10FFFF || (codePoint_ >= 0xD800 && codePoint_ <= 0xDFFF)) {
        out.resize(start + static_cast<std::size_t>(next - first));
        errorOffset_ = sequenceStart_;
        return false;
      }
      next = PutUtf16(codePoint_, next);
    }
  }
  out.resize(start + static_cast<std::size_t>(next - first));
  offset_ += bytes.size();
  return true;
}

bool Utf8Decoder::Finish() {
  if (needed_ == 0) return true;
  errorOffset_ = sequenceStart_;
  return false;
}
