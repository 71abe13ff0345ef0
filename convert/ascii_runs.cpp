#include "ascii_runs.h"

#include <atomic>
#include <cstdlib>

// Compiled once for each instruction set Highway targets.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "ascii_runs.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace korvel {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// The replacement of each byte by `tables` (first or second bytes), by the
// table of its high nibble.
template <class D, class V>
HWY_INLINE V Lookup(D d, const std::uint8_t (&tables)[8][16], V low, V high) {
  V result = hn::Zero(d);
  for (int nibble = 0; nibble < 8; ++nibble) {
    const V part = hn::TableLookupBytes(hn::LoadDup128(d, tables[nibble]), low);
    result = hn::IfThenElse(hn::Eq(high, hn::Set(d, static_cast<std::uint8_t>(nibble))), part, result);
  }
  return result;
}

template <class D, class V>
HWY_INLINE hn::Mask<D> IsIn(D d, const std::uint8_t* lowBits, V highBits, V low) {
  return hn::Ne(hn::And(hn::TableLookupBytes(hn::LoadDup128(d, lowBits), low), highBits), hn::Zero(d));
}

std::size_t ConvertAsciiRun(const AsciiTables& tables, const std::uint8_t* from, std::size_t size, std::uint8_t* out,
                            std::size_t* written) {
  *written = 0;
#if HWY_TARGET == HWY_SCALAR
  // One lane: the byte-by-byte code does as well.
  (void)tables, (void)from, (void)size, (void)out;
  return 0;
#else
  const hn::ScalableTag<std::uint8_t> d;
  const std::size_t lanes = hn::Lanes(d);
  const auto lowNibble = hn::Set(d, 0x0F);
  const auto highBits = hn::LoadDup128(d, tables.highBit);
  HWY_ALIGN std::uint8_t pairs[2 * HWY_MAX_BYTES];
  HWY_ALIGN std::uint8_t kept[2 * HWY_MAX_BYTES];
  std::size_t done = 0;
  std::uint8_t* to = out;
  while (done + lanes <= size) {
    const auto bytes = hn::LoadU(d, from + done);
    const auto low = hn::And(bytes, lowNibble);
    const auto high = hn::ShiftRight<4>(bytes);
    const auto bitOfHigh = hn::TableLookupBytes(highBits, high);
    const auto inRun = IsIn(d, tables.inRun, bitOfHigh, low);
    const std::size_t run =
        hn::AllTrue(d, inRun) ? lanes : static_cast<std::size_t>(hn::FindFirstTrue(d, hn::Not(inRun)));
    if (run == 0) break;
    if (run == lanes && hn::AllTrue(d, IsIn(d, tables.unchanged, bitOfHigh, low))) {
      hn::StoreU(bytes, d, to);  // nothing to replace: copied as it is
      to += lanes;
      done += lanes;
      continue;
    }
    // Each byte's first and second output byte side by side, then the
    // second ones that are none (and everything past the run) left out.
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
    done += run;
    if (run < lanes) break;
  }
  *written = static_cast<std::size_t>(to - out);
  return done;
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace korvel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace korvel {
HWY_EXPORT(ConvertAsciiRun);

namespace {
std::atomic<bool> VectorCode{std::getenv("KORVEL_NO_VECTOR_CODE") == nullptr};
}  // namespace
}  // namespace korvel

std::size_t ConvertAsciiRun(const AsciiTables& tables, const std::uint8_t* from, std::size_t size, std::uint8_t* out,
                            std::size_t* written) {
  if (!korvel::VectorCode.load(std::memory_order_relaxed)) {
    *written = 0;
    return 0;
  }
  return HWY_DYNAMIC_DISPATCH(korvel::ConvertAsciiRun)(tables, from, size, out, written);
}

void UseVectorCode(bool use) { korvel::VectorCode = use; }
#endif  // HWY_ONCE
