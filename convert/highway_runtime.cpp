// What Highway's dynamic dispatch asks of its runtime library: which of the
// instruction sets compiled in this processor and its system can run, the
// target chosen from them, and a mask that tests use to force one. Debian
// ships that runtime only as a shared library for its own system, so
// korvel-convert carries this one, the same on Linux and Windows.
#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "hwy/targets.h"

#if HWY_ARCH_X86
#if defined(_MSC_VER)
#include <intrin.h>
#else
#include <cpuid.h>
#endif
#endif

namespace hwy {
namespace {

#if HWY_ARCH_X86
struct Registers {
  std::uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
};

Registers Cpuid(std::uint32_t leaf, std::uint32_t subleaf) {
  Registers r;
#if defined(_MSC_VER)
  int values[4];
  __cpuidex(values, static_cast<int>(leaf), static_cast<int>(subleaf));
  r = {static_cast<std::uint32_t>(values[0]), static_cast<std::uint32_t>(values[1]),
       static_cast<std::uint32_t>(values[2]), static_cast<std::uint32_t>(values[3])};
#else
  __cpuid_count(leaf, subleaf, r.eax, r.ebx, r.ecx, r.edx);
#endif
  return r;
}

// The register state the system saves on a switch (XCR0).
std::uint64_t SavedState() {
#if defined(_MSC_VER)
  return _xgetbv(0);
#else
  std::uint32_t low = 0;
  std::uint32_t high = 0;
  __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  return (static_cast<std::uint64_t>(high) << 32) | low;
#endif
}

bool Has(std::uint32_t reg, int bit) { return (reg >> bit) & 1u; }

// Each target needs what Highway compiles it with (its groups of features),
// and the system must save the registers it uses.
std::int64_t DetectTargets() {
  std::int64_t targets = HWY_EMU128 | HWY_SCALAR;
  const std::uint32_t highest = Cpuid(0, 0).eax;
  if (highest < 1) return targets;
  const Registers one = Cpuid(1, 0);
  const Registers seven = highest >= 7 ? Cpuid(7, 0) : Registers{};
  const Registers extended = Cpuid(0x80000000u, 0).eax >= 0x80000001u ? Cpuid(0x80000001u, 0) : Registers{};
  const bool ssse3 = Has(one.edx, 25) && Has(one.edx, 26) && Has(one.ecx, 0) && Has(one.ecx, 9);
  if (!ssse3) return targets;
  targets |= HWY_SSSE3;
  const bool sse4 = Has(one.ecx, 19) && Has(one.ecx, 20) && Has(one.ecx, 1) && Has(one.ecx, 25);
  if (!sse4) return targets;
  targets |= HWY_SSE4;
  const bool osSavesAvx = Has(one.ecx, 27) && (SavedState() & 6) == 6;
  const bool avx2 = osSavesAvx && Has(one.ecx, 28) && Has(seven.ebx, 5) && Has(seven.ebx, 3) && Has(seven.ebx, 8) &&
                    Has(one.ecx, 29) && Has(one.ecx, 12) && Has(extended.ecx, 5) && Has(one.ecx, 22) &&
                    Has(one.ecx, 23);
  if (!avx2) return targets;
  targets |= HWY_AVX2;
  const bool osSavesAvx512 = (SavedState() & 0xE6) == 0xE6;
  const bool avx3 =
      osSavesAvx512 && Has(seven.ebx, 16) && Has(seven.ebx, 31) && Has(seven.ebx, 17) && Has(seven.ebx, 30);
  if (!avx3) return targets;
  targets |= HWY_AVX3;
  const bool avx3dl = Has(seven.ecx, 1) && Has(seven.ecx, 11) && Has(seven.ecx, 10) && Has(seven.ecx, 6) &&
                      Has(seven.ecx, 9) && Has(seven.ecx, 14) && Has(seven.ecx, 12);
  if (avx3dl) targets |= HWY_AVX3_DL;
  return targets;
}
#else
std::int64_t DetectTargets() { return HWY_ENABLED_BASELINE | HWY_SCALAR; }
#endif

std::atomic<std::int64_t> ForcedTargets{0};
std::atomic<std::int64_t> DisabledTargets{0};

// KORVEL_VECTOR_TARGETS (Highway's target bits, for the benchmark and the
// tests) keeps the processor's targets to those named.
std::int64_t TargetsOfEnvironment() {
  const char* named = std::getenv("KORVEL_VECTOR_TARGETS");
  return named ? std::strtoll(named, nullptr, 0) : 0;
}

}  // namespace

int64_t SupportedTargets() {
  const std::int64_t forced = ForcedTargets;
  if (forced != 0) return forced;
  static const std::int64_t detected = DetectTargets();
  static const std::int64_t named = TargetsOfEnvironment();
  const std::int64_t kept = named != 0 && (detected & named) != 0 ? detected & (named | HWY_SCALAR) : detected;
  const std::int64_t supported = kept & ~DisabledTargets.load();
  return supported != 0 ? supported : kept;
}

void DisableTargets(int64_t disabled_targets) {
  DisabledTargets = disabled_targets & ~HWY_ENABLED_BASELINE;
  GetChosenTarget().Update(SupportedTargets());
}

void SetSupportedTargetsForTest(int64_t targets) {
  ForcedTargets = targets;
  GetChosenTarget().DeInit();
}

ChosenTarget& GetChosenTarget() {
  static ChosenTarget chosen;
  return chosen;
}

void Abort(const char* file, int line, const char* format, ...) {
  char message[400];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(message, sizeof(message), format, arguments);
  va_end(arguments);
  std::fprintf(stderr, "Abort at %s:%d: %s\n", file, line, message);
  std::abort();
}

}  // namespace hwy
