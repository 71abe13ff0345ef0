#include "vector_conversion.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

// Compiled once for each instruction set Highway targets.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "vector_conversion.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace korvel {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Blocks of characters through the tables want a gather and a byte
// compress that are quick; elsewhere emulating them costs more than the
// byte-by-byte loop, so only runs are done in vectors.
#undef KORVEL_VECTOR_BLOCKS
#if HWY_TARGET == HWY_AVX3_DL
#define KORVEL_VECTOR_BLOCKS 1
#else
#define KORVEL_VECTOR_BLOCKS 0
#endif

#if HWY_TARGET != HWY_SCALAR

// Lead bytes of two-byte characters (0xC2 to 0xDF).
HWY_INLINE bool IsLead(std::uint8_t byte) { return byte >= 0xC2 && byte <= 0xDF; }

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
  } else if (IsLead(p[0]) && (p[1] & 0xC0) == 0x80) {
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

// Converts one block of positions from `p`, each the start of a character
// of one or two bytes or a continuation byte, through the tables: each
// position gathers its replacement's word (a continuation byte, or the
// second letter of a digraph, word 0: nothing), and the zero bytes are
// squeezed out. False, with nothing done, for a block with anything else.
HWY_INLINE bool ConvertBlock(const VectorTables& tables, const std::uint8_t*& p, std::uint8_t*& out) {
  const hn::ScalableTag<std::int32_t> d;
  const hn::Rebind<std::uint8_t, decltype(d)> quarter;
  const hn::Repartition<std::uint8_t, decltype(d)> bytes;
  const auto byte = hn::PromoteTo(d, hn::LoadU(quarter, p));
  const auto next = hn::PromoteTo(d, hn::LoadU(quarter, p + 1));
  const auto ascii = hn::And(hn::Gt(byte, hn::Zero(d)), hn::Lt(byte, hn::Set(d, 0x80)));
  const auto lead = hn::And(hn::Gt(byte, hn::Set(d, 0xC1)), hn::Lt(byte, hn::Set(d, 0xE0)));
  const auto continuation = hn::Eq(hn::And(byte, hn::Set(d, 0xC0)), hn::Set(d, 0x80));
  const auto nextContinues = hn::Eq(hn::And(next, hn::Set(d, 0xC0)), hn::Set(d, 0x80));
  // Zero bytes are left to the byte-by-byte code: their own replacement
  // is a zero byte.
  if (!hn::AllTrue(d, hn::Or(hn::Or(ascii, lead), continuation)) || !hn::AllFalse(d, hn::Xor(nextContinues, lead)) ||
      (p[0] & 0xC0) == 0x80) {
    return false;
  }
  const auto twoBytes = hn::Or(hn::ShiftLeft<6>(hn::And(byte, hn::Set(d, 0x1F))), hn::And(next, hn::Set(d, 0x3F)));
  auto index = hn::IfThenElse(lead, twoBytes, hn::IfThenElseZero(ascii, byte));
  const std::size_t lanes = hn::Lanes(d);
  bool lastTakesNext = IsLead(p[lanes - 1]);
  // A digraph's second letter never begins one, so no two overlap, and the
  // second letter after the first position is the one that goes.
  auto second = hn::FirstN(d, 0);
  for (int i = 0; i < tables.digraphs; ++i) {
    const auto begins =
        hn::And(hn::Eq(byte, hn::Set(d, tables.digraphFirst[i])), hn::Eq(next, hn::Set(d, tables.digraphSecond[i])));
    if (hn::AllFalse(d, begins)) continue;
    index = hn::IfThenElse(begins, hn::Set(d, static_cast<std::int32_t>(VectorTables::kDigraphWords + i)), index);
    const auto before = hn::PromoteTo(d, hn::LoadU(quarter, p - 1));
    const auto follows =
        hn::And(hn::Eq(before, hn::Set(d, tables.digraphFirst[i])), hn::Eq(byte, hn::Set(d, tables.digraphSecond[i])));
    second = hn::Or(second, hn::AndNot(hn::FirstN(d, 1), follows));
    lastTakesNext = lastTakesNext || (p[lanes - 1] == tables.digraphFirst[i] && p[lanes] == tables.digraphSecond[i]);
  }
  index = hn::IfThenZeroElse(second, index);
  const auto words = hn::GatherIndex(d, reinterpret_cast<const std::int32_t*>(tables.words), index);
  const auto output = hn::BitCast(bytes, words);
  const auto kept = hn::Ne(output, hn::Zero(bytes));
  hn::StoreU(hn::Compress(output, kept), bytes, out);
  out += hn::CountTrue(bytes, kept);
  p += lanes + (lastTakesNext ? 1 : 0);
  return true;
}
#endif

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
  constexpr std::ptrdiff_t kRoom = 64;  // the widest vector, and more than a block reads
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
    if (tables.digraphs >= 0 && ConvertBlock(tables, p, o)) {
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
