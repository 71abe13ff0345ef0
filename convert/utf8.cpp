#include "utf8.h"

namespace {

void AppendUtf16(char32_t codePoint, std::u16string& out) {
  if (codePoint < 0x10000) {
    out.push_back(static_cast<char16_t>(codePoint));
  } else {
    codePoint -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
  }
}

}  // namespace

bool Utf8Decoder::Decode(std::string_view bytes, std::u16string& out) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (needed_ == 0) {
      if (byte < 0x80) {
        out.push_back(byte);
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
        errorOffset_ = sequenceStart_;
        return false;
      }
      continue;
    }
    if ((byte & 0xC0) != 0x80) {
      errorOffset_ = sequenceStart_;
      return false;
    }
    codePoint_ = (codePoint_ << 6) | (byte & 0x3F);
    if (--needed_ == 0) {
      if (codePoint_ < minimum_ || codePoint_ > 0x10FFFF || (codePoint_ >= 0xD800 && codePoint_ <= 0xDFFF)) {
        errorOffset_ = sequenceStart_;
        return false;
      }
      AppendUtf16(codePoint_, out);
    }
  }
  offset_ += bytes.size();
  return true;
}

bool Utf8Decoder::Finish() {
  if (needed_ == 0) return true;
  errorOffset_ = sequenceStart_;
  return false;
}

void AppendUtf8(std::u16string_view units, std::string& out) {
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
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
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    }
    if (c >= 0x80) out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}
