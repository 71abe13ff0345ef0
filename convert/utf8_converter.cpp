#include "utf8_converter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "text_converters.h"
#include "utf8.h"
#include "vector_conversion.h"

namespace {

// No rule of the core touches a code point from U+0800 up (three and four
// byte sequences): they are copied as they stand. The tests hold every
// scalar value against the core to keep this true.
constexpr char32_t kTabledCodePoints = VectorTables::kDigraphWords;

// Each replacement is at most twice as long as its input, which bounds the
// output of a piece; a little more covers a letter held back from the last
// piece and a sequence completed from it.
constexpr std::size_t kSlackBytes = 16;

// The vector code is tried where at least this much of the range is left;
// where it converted less than that, the byte-by-byte code goes on at least
// as far before it is tried again, and twice as far after each such try.
constexpr std::ptrdiff_t kVectorBytes = 64;
constexpr std::ptrdiff_t kLongestPause = 4096;

// The cut between the two halves of a piece is looked for this far past its
// middle.
constexpr std::size_t kCutSearchBytes = 4096;

// The code point of a complete sequence of continuation bytes, or -1 when
// it is overlong, a surrogate or above U+10FFFF.
long ValidCodePoint(const unsigned char* sequence, int length) {
  static constexpr unsigned kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  char32_t codePoint = sequence[0] & kLeadBits[length];
  for (int i = 1; i < length; ++i) codePoint = (codePoint << 6) | (sequence[i] & 0x3F);
  if (codePoint < kMinimum[length] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return -1;
  return static_cast<long>(codePoint);
}

}  // namespace

struct Utf8Converter::Tables {
  struct ByteDigraph {
    unsigned char first;
    unsigned char second;
    Replacement output;
  };

  std::array<Replacement, kTabledCodePoints> characters{};
  std::array<bool, 128> beginsDigraph{};
  std::vector<ByteDigraph> digraphs;
  std::array<std::uint32_t, VectorTables::kDigraphWords + VectorTables::kMaxDigraphs> words{};
  VectorTables vectors{};

  const Replacement* FindDigraph(unsigned first, unsigned second) const {
    for (const ByteDigraph& digraph : digraphs) {
      if (digraph.first == first && digraph.second == second) return &digraph.output;
    }
    return nullptr;
  }

  static Replacement ReplacementOf(ConversionMode mode, std::u16string_view units) {
    std::string utf8;
    AppendUtf8(ConvertWhole(mode, units), utf8);
    std::string input;
    AppendUtf8(units, input);
    if (utf8.size() > 4 || utf8.size() > 2 * input.size()) throw std::logic_error("a replacement outgrows its bound");
    Replacement replacement{};
    std::memcpy(replacement.bytes, utf8.data(), utf8.size());
    replacement.length = static_cast<std::uint32_t>(utf8.size());
    return replacement;
  }

  // Everything comes from the core's own conversions and digraphs, so there
  // is still one copy of each table.
  explicit Tables(ConversionMode mode) {
    for (char32_t codePoint = 0; codePoint < kTabledCodePoints; ++codePoint) {
      characters[codePoint] = ReplacementOf(mode, std::u16string(1, static_cast<char16_t>(codePoint)));
    }
    for (const Digraph& digraph : LatinToCyrillicDigraphs) {
      if (!MayBeginDigraph(mode, digraph.first)) continue;  // this mode has no digraphs
      if (digraph.first >= 0x80 || digraph.second >= 0x80) throw std::logic_error("a digraph beyond ASCII");
      digraphs.push_back(ByteDigraph{static_cast<unsigned char>(digraph.first),
                                     static_cast<unsigned char>(digraph.second),
                                     ReplacementOf(mode, std::u16string{digraph.first, digraph.second})});
      beginsDigraph[digraph.first] = true;
    }
    FillVectorTables();
  }

  void FillVectorTables() {
    const auto word = [](const Replacement& replacement) {
      for (std::uint32_t i = 0; i < replacement.length; ++i) {
        if (replacement.bytes[i] == 0) throw std::logic_error("a replacement with a zero byte");
      }
      std::uint32_t value = 0;
      std::memcpy(&value, replacement.bytes, sizeof(value));  // in memory order, as a vector reads it
      return value;
    };
    for (char32_t codePoint = 1; codePoint < kTabledCodePoints; ++codePoint)
      words[codePoint] = word(characters[codePoint]);
    vectors.words = words.data();
    vectors.digraphs = digraphs.size() <= VectorTables::kMaxDigraphs ? static_cast<int>(digraphs.size()) : -1;
    for (std::size_t i = 0; vectors.digraphs > 0 && i < digraphs.size(); ++i) {
      if (beginsDigraph[digraphs[i].second]) vectors.digraphs = -1;
      vectors.digraphFirst[i] = digraphs[i].first;
      vectors.digraphSecond[i] = digraphs[i].second;
      words[VectorTables::kDigraphWords + i] = word(digraphs[i].output);
      std::memcpy(vectors.digraphBytes[i], digraphs[i].output.bytes, 4);
    }
    for (unsigned slot = 0; slot < 128; ++slot) {
      for (unsigned window = 0; window < 16; ++window) {
        const unsigned lead = 0xC0 + 2 * window + (slot >> 6);
        const char32_t codePoint = window == 0 ? slot : ((lead & 0x1F) << 6) | (slot & 0x3F);
        for (int k = 0; k < 4; ++k) {
          vectors.planes[window][k][slot] = static_cast<std::uint8_t>(characters[codePoint].bytes[k]);
        }
      }
    }
    for (unsigned byte = 0; byte < 0x80; ++byte) {
      const Replacement& replacement = characters[byte];
      const bool kept = replacement.length == 1 && static_cast<unsigned char>(replacement.bytes[0]) == byte;
      if (kept && !beginsDigraph[byte]) vectors.asciiKept[byte & 0x0F] |= static_cast<std::uint8_t>(1u << (byte >> 4));
    }
    for (unsigned lead = 0xC2; lead <= 0xDF; ++lead) {
      bool kept = true;
      for (char32_t codePoint = (lead & 0x1F) << 6; kept && codePoint < ((lead & 0x1F) + 1u) << 6; ++codePoint) {
        const Replacement& replacement = characters[codePoint];
        kept = replacement.length == 2 && static_cast<unsigned char>(replacement.bytes[0]) == lead &&
               static_cast<unsigned char>(replacement.bytes[1]) == (0x80 | (codePoint & 0x3F));
      }
      if (kept) vectors.leadKept[lead & 0x0F] |= lead >= 0xD0 ? 2 : 1;
    }
    for (unsigned low = 0; low < 16; ++low) vectors.leadKept[low] |= 4;
    for (unsigned high = 0; high < 8; ++high) vectors.asciiHigh[high] = static_cast<std::uint8_t>(1u << high);
    for (unsigned high = 0x8; high <= 0xB; ++high) vectors.leadHigh[high] = 4;
    vectors.leadHigh[0xC] = 1;
    vectors.leadHigh[0xD] = 2;
  }
};

namespace {

// Built on first use, once per mode.
const Utf8Converter::Tables& TablesFor(ConversionMode mode) {
  switch (mode) {
    case ConversionMode::ToLatin: {
      static const Utf8Converter::Tables toLatin(ConversionMode::ToLatin);
      return toLatin;
    }
    case ConversionMode::ToCyrillic: {
      static const Utf8Converter::Tables toCyrillic(ConversionMode::ToCyrillic);
      return toCyrillic;
    }
    case ConversionMode::ToKeys: {
      static const Utf8Converter::Tables toKeys(ConversionMode::ToKeys);
      return toKeys;
    }
    case ConversionMode::Keyboard:
      break;
  }
  static const Utf8Converter::Tables keyboard(ConversionMode::Keyboard);
  return keyboard;
}

char* Put(const Replacement& replacement, char* out) {
  std::memcpy(out, replacement.bytes, sizeof(replacement.bytes));
  return out + replacement.length;
}

}  // namespace

Utf8Converter::Utf8Converter(ConversionMode mode, std::size_t parallelBytes)
    : mode_(mode), parallelBytes_(parallelBytes), tables_(TablesFor(mode)) {}

Utf8Converter::~Utf8Converter() = default;

void Utf8Converter::StartOutput(std::size_t pieceBytes) {
  current_ ^= 1;
  OutputBuffer& output = buffers_[current_];
  const std::size_t needed = 2 * pieceBytes + kSlackBytes;
  if (output.capacity < needed) {
    output.bytes.reset(new char[needed]);
    output.capacity = needed;
  }
  buffer_ = output.bytes.get();
  written_ = 0;
}

bool Utf8Converter::Fail(std::uint64_t offset) {
  errorOffset_ = offset;
  written_ = 0;
  return false;
}

void Utf8Converter::Emit(char32_t codePoint, const unsigned char* bytes, int length) {
  char* out = buffer_ + written_;
  if (held_ >= 0) {  // held before a character that is no ASCII: no digraph
    out = Put(tables_.characters[static_cast<unsigned>(held_)], out);
    held_ = -1;
  }
  if (codePoint < kTabledCodePoints) {
    out = Put(tables_.characters[codePoint], out);
  } else {
    std::memcpy(out, bytes, static_cast<std::size_t>(length));
    out += length;
  }
  written_ = static_cast<std::size_t>(out - buffer_);
}

bool Utf8Converter::CompleteCarriedSequence(std::string_view& piece) {
  const std::uint64_t start = offset_ - static_cast<std::uint64_t>(carriedLength_);
  const int length = Utf8SequenceLength(carried_[0]);
  std::size_t taken = 0;
  while (carriedLength_ < length && taken < piece.size()) {
    const auto byte = static_cast<unsigned char>(piece[taken]);
    if (!IsUtf8Continuation(byte)) return Fail(start);
    carried_[carriedLength_++] = byte;
    ++taken;
  }
  piece.remove_prefix(taken);
  offset_ += taken;
  if (carriedLength_ < length) return true;  // still waiting
  carriedLength_ = 0;
  const long codePoint = ValidCodePoint(carried_, length);
  if (codePoint < 0) return Fail(start);
  Emit(static_cast<char32_t>(codePoint), carried_, length);
  return true;
}

template <bool kDigraphs>
bool Utf8Converter::ConvertSettled(const unsigned char* from, const unsigned char* to, std::uint64_t offset) {
  const Replacement* const characters = tables_.characters.data();
  const unsigned char* p = from;
  char* out = buffer_ + written_;
  if (kDigraphs && held_ >= 0 && p < to) {
    const Replacement* digraph = *p < 0x80 ? tables_.FindDigraph(static_cast<unsigned>(held_), *p) : nullptr;
    if (digraph) {
      out = Put(*digraph, out);
      ++p;
    } else {
      out = Put(characters[held_], out);
    }
    held_ = -1;
  }
  // The vector code reads the byte before where it starts.
  const unsigned char* vectorsFrom = VectorCodeInUse() ? from + 1 : to;
  std::ptrdiff_t pause = kVectorBytes / 2;
  while (p < to) {
    if (p >= vectorsFrom && to - p >= kVectorBytes) {
      std::size_t outBytes = 0;
      const std::size_t converted =
          ConvertByVectors(tables_.vectors, p, to, reinterpret_cast<std::uint8_t*>(out), &outBytes);
      p += converted;
      out += outBytes;
      // Where it does little, it is tried ever more rarely.
      pause = converted < static_cast<std::size_t>(kVectorBytes) ? std::min(2 * pause, kLongestPause) : 1;
      vectorsFrom = p + pause;
      continue;
    }
    const unsigned byte = *p;
    if (byte < 0x80) {
      if (kDigraphs && tables_.beginsDigraph[byte]) {
        if (p + 1 == to) {  // the next piece says whether a digraph follows
          held_ = static_cast<int>(byte);
          ++p;
          break;
        }
        if (const Replacement* digraph = tables_.FindDigraph(byte, p[1])) {
          out = Put(*digraph, out);
          p += 2;
          continue;
        }
      }
      out = Put(characters[byte], out);
      ++p;
      continue;
    }
    if (byte >= 0xC2 && byte <= 0xDF) {
      if (p + 1 == to || !IsUtf8Continuation(p[1])) return Fail(offset + static_cast<std::uint64_t>(p - from));
      out = Put(characters[((byte & 0x1F) << 6) | (p[1] & 0x3F)], out);
      p += 2;
      continue;
    }
    // Three and four bytes: checked like the rest, copied unchanged.
    const int length = Utf8SequenceLength(byte);
    if (length == 0) return Fail(offset + static_cast<std::uint64_t>(p - from));
    for (int i = 1; i < length; ++i) {
      if (p + i == to || !IsUtf8Continuation(p[i])) return Fail(offset + static_cast<std::uint64_t>(p - from));
    }
    if (ValidCodePoint(p, length) < 0) return Fail(offset + static_cast<std::uint64_t>(p - from));
    std::memcpy(out, p, static_cast<std::size_t>(length));
    out += length;
    p += length;
  }
  written_ = static_cast<std::size_t>(out - buffer_);
  return true;
}

bool Utf8Converter::ConvertRange(const unsigned char* from, const unsigned char* to, std::uint64_t offset) {
  return tables_.digraphs.empty() ? ConvertSettled<false>(from, to, offset) : ConvertSettled<true>(from, to, offset);
}

std::size_t Utf8Converter::FindCut(const unsigned char* bytes, std::size_t size) const {
  if (size < parallelBytes_ || size < 2) return 0;
  for (std::size_t at = size / 2; at < size && at < size / 2 + kCutSearchBytes; ++at) {
    const unsigned before = bytes[at - 1];
    if (before < 0x80 && !tables_.beginsDigraph[before]) return at;
  }
  return 0;
}

bool Utf8Converter::ConvertHalves(const unsigned char* bytes, std::size_t cut, std::size_t size) {
  if (!partner_) partner_.reset(new Utf8Converter(mode_, parallelBytes_));
  Utf8Converter& second = *partner_;
  second.StartOutput(size - cut);
  second.held_ = -1;
  bool secondConverted = false;
  partnerThread_.Start([&second, &secondConverted, bytes, cut, size, offset = offset_ + cut] {
    secondConverted = second.ConvertRange(bytes + cut, bytes + size, offset);
  });
  const bool firstConverted = ConvertRange(bytes, bytes + cut, offset_);
  partnerThread_.Wait();
  if (!firstConverted) return false;  // the earlier failure is the one to report
  if (!secondConverted) return Fail(second.errorOffset_);
  std::memcpy(buffer_ + written_, second.buffer_, second.written_);
  written_ += second.written_;
  held_ = second.held_;
  return true;
}

bool Utf8Converter::Convert(std::string_view piece) {
  StartOutput(piece.size());
  if (carriedLength_ > 0 && !CompleteCarriedSequence(piece)) return false;
  if (carriedLength_ > 0) return true;  // the piece was too short to complete it

  const auto* bytes = reinterpret_cast<const unsigned char*>(piece.data());
  const std::size_t settled = SettledUtf8Length(piece);
  // Nothing reaches across a cut after an ASCII character that begins no
  // digraph, so the two sides of it are converted at once.
  const std::size_t cut = FindCut(bytes, settled);
  const bool converted = cut > 0 ? ConvertHalves(bytes, cut, settled) : ConvertRange(bytes, bytes + settled, offset_);
  if (!converted) return false;
  carriedLength_ = static_cast<int>(piece.size() - settled);
  std::memcpy(carried_, bytes + settled, static_cast<std::size_t>(carriedLength_));
  offset_ += piece.size();
  return true;
}

bool Utf8Converter::EndInput() {
  written_ = 0;
  if (carriedLength_ > 0) {
    errorOffset_ = offset_ - static_cast<std::uint64_t>(carriedLength_);
    return false;
  }
  offset_ = 0;
  return true;
}

void Utf8Converter::Finish() {
  StartOutput(0);
  carriedLength_ = 0;
  offset_ = 0;
  if (held_ < 0) return;
  written_ = static_cast<std::size_t>(Put(tables_.characters[static_cast<unsigned>(held_)], buffer_) - buffer_);
  held_ = -1;
}
