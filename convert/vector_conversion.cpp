#include "vector_conversion.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "utf8.h"

// Compiled once for each instruction set Highway targets.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "vector_conversion.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace korvel {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Blocks of characters through the tables want a byte permute of 128
// entries (VBMI) and a byte compress (VBMI2); emulating them costs more than
// the byte-by-byte loop, so elsewhere only runs are done in vectors.
#undef KORVEL_VECTOR_BLOCKS
#if HWY_TARGET == HWY_AVX3_DL
#define KORVEL_VECTOR_BLOCKS 1
#else
#define KORVEL_VECTOR_BLOCKS 0
#endif

#if HWY_TARGET != HWY_SCALAR

// Lead bytes of two-byte characters (0xC2 to 0xDF).
HWY_INLINE bool IsLead(std::uint8_t byte) { return Utf8SequenceLength(byte) == 2; }

template <class D>
struct KeptTables {
  hn::Vec<D> asciiKept, leadKept, asciiHigh, leadHigh;

  KeptTables(D d, const VectorTables& tables)
      : asciiKept(hn::LoadDup128(d, tables.asciiKept)),
        leadKept(hn::LoadDup128(d, tables.leadKept)),
        asciiHigh(hn::LoadDup128(d, tables.asciiHigh)),
        leadHigh(hn::LoadDup128(d, tables.leadHigh)) {}
};

// Copies a vector from `p` to `out`; returns how many of its bytes, from the
// first, are characters that stay as they are (a lead byte among them may
// lack its continuation, which is past the vector).
template <class D>
HWY_INLINE std::size_t CopyKept(D d, const KeptTables<D>& kept, const std::uint8_t* p, std::uint8_t* out) {
  const auto bytes = hn::LoadU(d, p);
  const auto before = hn::LoadU(d, p - 1);
  const auto low = hn::And(bytes, hn::Set(d, 0x0F));
  const auto high = hn::ShiftRight<4>(bytes);
  const auto ascii = hn::And(hn::TableLookupBytes(kept.asciiKept, low), hn::TableLookupBytes(kept.asciiHigh, high));
  const auto lead = hn::And(hn::TableLookupBytes(kept.leadKept, low), hn::TableLookupBytes(kept.leadHigh, high));
  const auto known = hn::Ne(hn::Or(ascii, lead), hn::Zero(d));
  // A continuation byte exactly where a lead byte stands before it.
  const auto continuation = hn::Eq(hn::And(bytes, hn::Set(d, 0xC0)), hn::Set(d, 0x80));
  const auto afterLead = hn::Eq(hn::And(before, hn::Set(d, 0xE0)), hn::Set(d, 0xC0));
  const auto fine = hn::AndNot(hn::Xor(continuation, afterLead), known);
  hn::StoreU(bytes, d, out);
  if (hn::AllTrue(d, fine)) return hn::Lanes(d);
  return static_cast<std::size_t>(hn::FindFirstTrue(d, hn::Not(fine)));
}

#if KORVEL_VECTOR_BLOCKS
// Whether a character that starts with `byte` is copied as it stands.
HWY_INLINE bool Kept(const VectorTables& tables, unsigned byte) {
  if (byte < 0x80) return (tables.asciiKept[byte & 0x0F] >> (byte >> 4)) & 1;
  return IsLead(static_cast<std::uint8_t>(byte)) && (tables.leadKept[byte & 0x0F] & (byte >= 0xD0 ? 2 : 1));
}

// One character, or digraph, through the tables, as the byte-by-byte code
// converts it. False for what the vector code leaves to that code.
HWY_INLINE bool ConvertOne(const VectorTables& tables, const std::uint8_t*& p, std::uint8_t*& out) {
  const unsigned byte = p[0];
  std::uint32_t index = byte;
  std::size_t length = 1;
  if (byte >= 1 && byte < 0x80) {
    for (int i = 0; i < tables.digraphs; ++i) {
      if (byte == tables.digraphFirst[i] && p[1] == tables.digraphSecond[i]) {
        index = VectorTables::kDigraphWords + static_cast<std::uint32_t>(i);
        length = 2;
      }
    }
  } else if (IsLead(p[0]) && IsUtf8Continuation(p[1])) {
    index = ((byte & 0x1F) << 6) | (p[1] & 0x3Fu);
    length = 2;
  } else {
    return false;
  }
  // The replacement's bytes are the word's first, in memory order.
  const std::uint32_t word = tables.words[index];
  std::memcpy(out, &word, sizeof(word));
  out += (word != 0) + (word > 0xFF) + (word > 0xFFFF) + (word > 0xFFFFFF);
  p += length;
  return true;
}

// A block of 64 positions through the byte tables of 128 entries, a
// lookup of all of them at once for each byte of the replacements. These
// are AVX-512 intrinsics: the two-table byte permute (VBMI) has no
// operation in Highway 1.0.3, and a gather of words instead costs as much
// as the byte-by-byte loop. False, with nothing done, for a block with
// anything but one and two byte characters.
HWY_INLINE bool ConvertWindows(const VectorTables& tables, const std::uint8_t*& p, std::uint8_t*& out) {
  const __m512i byte = _mm512_loadu_si512(p);
  const __m512i next = _mm512_loadu_si512(p + 1);
  const __m512i high = _mm512_set1_epi8(static_cast<char>(0xC0));
  const __m512i continuationBits = _mm512_set1_epi8(static_cast<char>(0x80));
  const __mmask64 ascii = _mm512_cmplt_epu8_mask(byte, continuationBits) & _mm512_test_epi8_mask(byte, byte);
  const __mmask64 lead = _mm512_cmpge_epu8_mask(byte, _mm512_set1_epi8(static_cast<char>(0xC2))) &
                         _mm512_cmple_epu8_mask(byte, _mm512_set1_epi8(static_cast<char>(0xDF)));
  const __mmask64 continuation = _mm512_cmpeq_epi8_mask(_mm512_and_si512(byte, high), continuationBits);
  const __mmask64 nextContinues = _mm512_cmpeq_epi8_mask(_mm512_and_si512(next, high), continuationBits);
  if ((ascii | lead | continuation) != ~0ull || (nextContinues ^ lead) != 0 || (continuation & 1) != 0) return false;

  // The slot of a two-byte character in its window: the lead's low bit,
  // then the continuation's six bits (the permute reads seven bits).
  const __mmask64 oddLead = _mm512_test_epi8_mask(byte, _mm512_set1_epi8(1));
  const __m512i slot = _mm512_mask_mov_epi8(next, oddLead, _mm512_or_si512(next, _mm512_set1_epi8(0x40)));
  // The windows of lead pairs that the block holds, each with its positions.
  unsigned windows[16];
  __mmask64 inWindows[16];
  int windowCount = 0;
  for (__mmask64 left = lead; left != 0; ++windowCount) {
    const unsigned window = (p[hwy::Num0BitsBelowLS1Bit_Nonzero64(left)] - 0xC0) >> 1;
    windows[windowCount] = window;
    inWindows[windowCount] =
        left & _mm512_cmpeq_epi8_mask(_mm512_and_si512(byte, _mm512_set1_epi8(static_cast<char>(0xFE))),
                                      _mm512_set1_epi8(static_cast<char>(0xC0 + 2 * window)));
    left &= ~inWindows[windowCount];
  }
  bool lastTakesNext = (lead >> 63) != 0;
  __mmask64 begins[VectorTables::kMaxDigraphs] = {};
  __mmask64 follows[VectorTables::kMaxDigraphs] = {};
  if (tables.digraphs > 0) {
    const __m512i before = _mm512_loadu_si512(p - 1);
    for (int i = 0; i < tables.digraphs; ++i) {
      const __m512i first = _mm512_set1_epi8(static_cast<char>(tables.digraphFirst[i]));
      const __m512i second = _mm512_set1_epi8(static_cast<char>(tables.digraphSecond[i]));
      begins[i] = _mm512_cmpeq_epi8_mask(byte, first) & _mm512_cmpeq_epi8_mask(next, second);
      // A digraph's second letter never begins one, so no two overlap; the
      // first position's letter before it was done with already.
      follows[i] = _mm512_cmpeq_epi8_mask(before, first) & _mm512_cmpeq_epi8_mask(byte, second) & ~1ull;
      lastTakesNext = lastTakesNext || (begins[i] >> 63) != 0;
    }
  }
  // Byte k of every position's replacement.
  const auto plane = [&](int k) {
    const auto table = [k](const std::uint8_t(*entries)[128], int half) {
      return _mm512_loadu_si512(entries[k] + 64 * half);
    };
    __m512i bytes = _mm512_maskz_permutex2var_epi8(ascii, table(tables.planes[0], 0), byte, table(tables.planes[0], 1));
    for (int w = 0; w < windowCount; ++w) {
      const auto* entries = tables.planes[windows[w]];
      bytes = _mm512_or_si512(bytes,
                              _mm512_maskz_permutex2var_epi8(inWindows[w], table(entries, 0), slot, table(entries, 1)));
    }
    for (int i = 0; i < tables.digraphs; ++i) {
      if (begins[i] == 0) continue;
      const __m512i digraphByte = _mm512_set1_epi8(static_cast<char>(tables.digraphBytes[i][k]));
      bytes = _mm512_maskz_mov_epi8(~follows[i], _mm512_mask_blend_epi8(begins[i], bytes, digraphByte));
    }
    return bytes;
  };
  // The bytes of each vector that are not zero are the output, in order.
  const auto put = [&out](__m512i replacements) {
    const __mmask64 kept = _mm512_test_epi8_mask(replacements, replacements);
    _mm512_storeu_si512(out, _mm512_maskz_compress_epi8(kept, replacements));
    out += hwy::PopCount(kept);
  };
  const __m512i plane0 = plane(0);
  const __m512i plane1 = plane(1);
  const __m512i plane2 = plane(2);
  // Interleaving within each 128-bit lane gives positions that lie apart;
  // the planes' bytes are first put in the order that makes the vectors
  // hold the positions in turn.
  if (_mm512_test_epi8_mask(plane2, plane2) == 0) {
    // No replacement is longer than two bytes, as in most blocks: lane L
    // of the first vector holds positions 8 L to 8 L + 7, then 8 L + 32 to
    // 8 L + 39.
    alignas(64) static const std::uint8_t kOrder[64] = {0,  1,  2,  3,  4,  5,  6,  7,  32, 33, 34, 35, 36, 37, 38, 39,
                                                        8,  9,  10, 11, 12, 13, 14, 15, 40, 41, 42, 43, 44, 45, 46, 47,
                                                        16, 17, 18, 19, 20, 21, 22, 23, 48, 49, 50, 51, 52, 53, 54, 55,
                                                        24, 25, 26, 27, 28, 29, 30, 31, 56, 57, 58, 59, 60, 61, 62, 63};
    const __m512i order = _mm512_loadu_si512(kOrder);
    const __m512i first = _mm512_permutexvar_epi8(order, plane0);
    const __m512i second = _mm512_permutexvar_epi8(order, plane1);
    put(_mm512_unpacklo_epi8(first, second));
    put(_mm512_unpackhi_epi8(first, second));
  } else {
    // Lane L of vector m holds positions 16 L + 4 m to 16 L + 4 m + 3.
    alignas(64) static const std::uint8_t kOrder[64] = {0,  1,  2,  3,  16, 17, 18, 19, 32, 33, 34, 35, 48, 49, 50, 51,
                                                        4,  5,  6,  7,  20, 21, 22, 23, 36, 37, 38, 39, 52, 53, 54, 55,
                                                        8,  9,  10, 11, 24, 25, 26, 27, 40, 41, 42, 43, 56, 57, 58, 59,
                                                        12, 13, 14, 15, 28, 29, 30, 31, 44, 45, 46, 47, 60, 61, 62, 63};
    const __m512i order = _mm512_loadu_si512(kOrder);
    const __m512i planes[4] = {_mm512_permutexvar_epi8(order, plane0), _mm512_permutexvar_epi8(order, plane1),
                               _mm512_permutexvar_epi8(order, plane2), _mm512_permutexvar_epi8(order, plane(3))};
    const __m512i low01 = _mm512_unpacklo_epi8(planes[0], planes[1]);
    const __m512i low23 = _mm512_unpacklo_epi8(planes[2], planes[3]);
    const __m512i high01 = _mm512_unpackhi_epi8(planes[0], planes[1]);
    const __m512i high23 = _mm512_unpackhi_epi8(planes[2], planes[3]);
    put(_mm512_unpacklo_epi16(low01, low23));
    put(_mm512_unpackhi_epi16(low01, low23));
    put(_mm512_unpacklo_epi16(high01, high23));
    put(_mm512_unpackhi_epi16(high01, high23));
  }
  p += 64 + (lastTakesNext ? 1 : 0);
  return true;
}
#endif  // KORVEL_VECTOR_BLOCKS

#endif  // HWY_TARGET != HWY_SCALAR

std::size_t ConvertByVectors(const VectorTables& tables, const std::uint8_t* from, const std::uint8_t* to,
                             std::uint8_t* out, std::size_t* written) {
#if HWY_TARGET == HWY_SCALAR
  // One lane: the byte-by-byte code does as well.
  (void)tables, (void)from, (void)to, (void)out;
  *written = 0;
  return 0;
#else
  using D = hn::ScalableTag<std::uint8_t>;
  const D d;
  const KeptTables<D> kept(d, tables);
  const std::size_t lanes = hn::Lanes(d);
  constexpr std::ptrdiff_t kRoom = 64;  // the widest vector; a block reads one byte more
#if KORVEL_VECTOR_BLOCKS
  constexpr std::size_t kLongRun = 4;
  constexpr int kBetweenRuns = 4;
#endif
  const std::uint8_t* p = from;
  std::uint8_t* o = out;
  // A run may end with a lead byte whose continuation it did not see: the
  // lead goes back to what follows.
  const auto endRun = [&p, &o] {
    if (IsLead(p[-1])) {
      --p;
      --o;
    }
  };
  bool tryRun = true;
  while (to - p >= kRoom) {
    if (tryRun) {
      const std::size_t run = CopyKept(d, kept, p, o);
      p += run;
      o += run;
      if (run == lanes) continue;
      endRun();
      if (to - p < kRoom) break;
#if KORVEL_VECTOR_BLOCKS
      // Where most characters stay, as in Cyrillic text into Cyrillic, the
      // few others between runs go one at a time.
      if (run >= kLongRun && tables.digraphs >= 0) {
        int left = kBetweenRuns;
        while (left-- > 0 && !Kept(tables, *p) && ConvertOne(tables, p, o)) {
        }
        continue;
      }
#endif
    }
#if KORVEL_VECTOR_BLOCKS
    // A run is looked for again only after a block whose output is as long
    // as its input, as where most characters stay.
    const std::uint8_t* const blockFrom = p;
    const std::uint8_t* const blockOut = o;
    if (to - p > kRoom && tables.digraphs >= 0 && ConvertWindows(tables, p, o)) {
      tryRun = o - blockOut == p - blockFrom;
      continue;
    }
#endif
    break;
  }
  endRun();
  *written = static_cast<std::size_t>(o - out);
  return static_cast<std::size_t>(p - from);
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace korvel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace korvel {
HWY_EXPORT(ConvertByVectors);

namespace {
std::atomic<bool> VectorCode{std::getenv("KORVEL_NO_VECTOR_CODE") == nullptr};
}  // namespace
}  // namespace korvel

std::size_t ConvertByVectors(const VectorTables& tables, const std::uint8_t* from, const std::uint8_t* to,
                             std::uint8_t* out, std::size_t* written) {
  if (!VectorCodeInUse()) {
    *written = 0;
    return 0;
  }
  return HWY_DYNAMIC_DISPATCH(korvel::ConvertByVectors)(tables, from, to, out, written);
}

void UseVectorCode(bool use) { korvel::VectorCode = use; }

bool VectorCodeInUse() { return korvel::VectorCode.load(std::memory_order_relaxed); }
#endif  // HWY_ONCE
