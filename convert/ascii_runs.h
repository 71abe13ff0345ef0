// Runs of ASCII characters through korvel-convert's byte tables, 16 to 64
// bytes at a time, with the processor's vector instructions chosen when it
// runs (Highway's dynamic dispatch); the byte-by-byte converter is the
// fallback and the reference.
#pragma once

#include <cstddef>
#include <cstdint>

// An ASCII byte's replacement as one or two bytes (`second` 0 for one),
// split by the byte's high nibble into tables of 16 for vector lookups.
// Only bytes that convert alone, whatever stands around them, are in a run.
struct AsciiTables {
  alignas(16) std::uint8_t first[8][16];
  alignas(16) std::uint8_t second[8][16];
  // Bit h of inRun[low] (and of unchanged[low]): the byte 16 * h + low is
  // in a run (and stays as it is). highBit[h]: 1 << h, nothing for bytes
  // from 0x80 up.
  alignas(16) std::uint8_t inRun[16];
  alignas(16) std::uint8_t unchanged[16];
  alignas(16) std::uint8_t highBit[16];
};

// Converts the run of bytes at the start of [from, from + size) that are
// in a run, a whole vector or what of one holds such bytes at a time, while
// a whole vector fits; writes its output at `out` (which must have room for
// twice the run and 64 bytes more) and its length to `*written`. Returns
// how many bytes it converted, 0 where the vectors are switched off.
std::size_t ConvertAsciiRun(const AsciiTables& tables, const std::uint8_t* from, std::size_t size, std::uint8_t* out,
                            std::size_t* written);

// For the tests (and KORVEL_NO_VECTOR_CODE in the environment): the
// byte-by-byte code alone.
void UseVectorCode(bool use);
