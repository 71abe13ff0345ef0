#include "vector_runs.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

// Compiled once for each instruction set Highway targets.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "vector_runs.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace korvel {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// The vector step's tables, loaded once for a run.
template <class D>
struct VectorTables {
  using V = hn::Vec<D>;
  V first[8];
  V second[8];
  V inRunBits;
  V unchangedBits;
  V highBit;

  VectorTables(D d, const RunTables& tables)
      : inRunBits(hn::LoadDup128(d, tables.inRunBits)),
        unchangedBits(hn::LoadDup128(d, tables.unchangedBits)),
        highBit(hn::LoadDup128(d, tables.highBit)) {
    for (int nibble = 0; nibble < 8; ++nibble) {
      first[nibble] = hn::LoadDup128(d, tables.first[nibble]);
      second[nibble] = hn::LoadDup128(d, tables.second[nibble]);
    }
  }
};

// Each byte's entry in one of the tables of 16 by high nibble.
template <class D, class V>
HWY_INLINE V Lookup(D d, const V (&tables)[8], V low, V high) {
  V result = hn::Zero(d);
  for (int nibble = 0; nibble < 8; ++nibble) {
    const V part = hn::TableLookupBytes(tables[nibble], low);
    result = hn::IfThenElse(hn::Eq(high, hn::Set(d, static_cast<std::uint8_t>(nibble))), part, result);
  }
  return result;
}

template <class D, class V>
HWY_INLINE hn::Mask<D> IsIn(D d, V lowBits, V bitOfHigh, V low) {
  return hn::Ne(hn::And(hn::TableLookupBytes(lowBits, low), bitOfHigh), hn::Zero(d));
}

// One vector of bytes from `from`, as far as they are in a run; how many.
template <class D>
HWY_INLINE std::size_t ConvertVector(D d, const VectorTables<D>& tables, const std::uint8_t* from, std::uint8_t*& to) {
  const std::size_t lanes = hn::Lanes(d);
  HWY_ALIGN std::uint8_t pairs[2 * HWY_MAX_BYTES];
  HWY_ALIGN std::uint8_t kept[2 * HWY_MAX_BYTES];
  const auto bytes = hn::LoadU(d, from);
  const auto low = hn::And(bytes, hn::Set(d, 0x0F));
  const auto high = hn::ShiftRight<4>(bytes);
  const auto bitOfHigh = hn::TableLookupBytes(tables.highBit, high);
  const auto inRun = IsIn(d, tables.inRunBits, bitOfHigh, low);
  const std::size_t run =
      hn::AllTrue(d, inRun) ? lanes : static_cast<std::size_t>(hn::FindFirstTrue(d, hn::Not(inRun)));
  if (run == 0) return 0;
  if (run == lanes && hn::AllTrue(d, IsIn(d, tables.unchangedBits, bitOfHigh, low))) {
    hn::StoreU(bytes, d, to);  // nothing to replace: copied as it is
    to += lanes;
    return lanes;
  }
  // Each byte's first and second output byte side by side, then the second
  // ones that are none (and all past the run) left out.
  const auto first = Lookup(d, tables.first, low, high);
  const auto second = Lookup(d, tables.second, low, high);
  hn::StoreInterleaved2(first, second, d, pairs);
  const auto inThisRun = hn::VecFromMask(d, hn::FirstN(d, run));
  const auto keepSecond = hn::And(inThisRun, hn::VecFromMask(d, hn::Ne(second, hn::Zero(d))));
  hn::StoreInterleaved2(inThisRun, keepSecond, d, kept);
  for (std::size_t half = 0; half < 2; ++half) {
    const auto keep = hn::MaskFromVec(hn::Load(d, kept + half * lanes));
    to += hn::CompressStore(hn::Load(d, pairs + half * lanes), keep, d, to);
  }
  return run;
}

std::size_t ConvertRun(const RunTables& tables, const std::uint8_t* from, std::size_t size, std::uint8_t* out,
                       std::size_t* written) {
  *written = 0;
#if HWY_TARGET == HWY_SCALAR
  // One lane: the byte-by-byte code does as well.
  (void)tables, (void)from, (void)size, (void)out;
  return 0;
#else
  using D = hn::ScalableTag<std::uint8_t>;
  const D d;
  const VectorTables<D> vectors(d, tables);
  constexpr std::size_t kLeft = 64;  // the widest vector, and the longest a step reads
  const std::uint8_t* p = from;
  const std::uint8_t* const end = from + size;
  std::uint8_t* to = out;
  while (static_cast<std::size_t>(end - p) >= kLeft) {
    const unsigned byte = *p;
    if (byte < 0x80) {
      if (!tables.inRun[byte]) break;
      // Vectors where eight ASCII bytes follow; a lone space between words
      // of another script is quicker alone.
      std::uint64_t eight;
      std::memcpy(&eight, p, 8);
      if ((eight & 0x8080808080808080ull) == 0) {
        p += ConvertVector(d, vectors, p, to);
        continue;
      }
      const Replacement& replacement = tables.characters[byte];
      std::memcpy(to, replacement.bytes, 4);
      to += replacement.length;
      ++p;
      continue;
    }
    // A two-byte character (U+0080 to U+07FF): by the table.
    if (byte < 0xC2 || byte > 0xDF || (p[1] & 0xC0) != 0x80) break;
    const Replacement& replacement = tables.characters[((byte & 0x1F) << 6) | (p[1] & 0x3F)];
    std::memcpy(to, replacement.bytes, 4);
    to += replacement.length;
    p += 2;
  }
  *written = static_cast<std::size_t>(to - out);
  return static_cast<std::size_t>(p - from);
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace korvel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace korvel {
HWY_EXPORT(ConvertRun);

namespace {
std::atomic<bool> VectorCode{std::getenv("KORVEL_NO_VECTOR_CODE") == nullptr};
}  // namespace
}  // namespace korvel

std::size_t ConvertRun(const RunTables& tables, const std::uint8_t* from, std::size_t size, std::uint8_t* out,
                       std::size_t* written) {
  if (!VectorCodeInUse()) {
    *written = 0;
    return 0;
  }
  return HWY_DYNAMIC_DISPATCH(korvel::ConvertRun)(tables, from, size, out, written);
}

void UseVectorCode(bool use) { korvel::VectorCode = use; }

bool VectorCodeInUse() { return korvel::VectorCode.load(std::memory_order_relaxed); }
#endif  // HWY_ONCE
