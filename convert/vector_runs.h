// The hot loop of korvel-convert's direct converter with vector code for
// runs of ASCII characters, 16 to 64 bytes at a time, chosen for the
// processor when it runs (Highway's dynamic dispatch). The byte-by-byte
// loop stays the fallback and the reference.
#pragma once

#include <cstddef>
#include <cstdint>

// What one character, or one digraph, becomes: at most four bytes of UTF-8.
// All four are always written, so the output keeps a little slack.
struct Replacement {
  char bytes[4];
  std::uint32_t length;
};

// The converter's tables as the run code reads them.
struct RunTables {
  // The replacement of every code point below U+0800 (one and two bytes).
  const Replacement* characters;
  // ASCII bytes that convert alone, whatever stands around them, to one
  // or two bytes: the only ones in a run (others, such as a letter that may
  // begin a digraph, end it).
  bool inRun[128];
  // An ASCII byte's replacement as one or two bytes (`second` 0 for one),
  // split by the byte's high nibble into tables of 16 for vector lookups.
  alignas(16) std::uint8_t first[8][16];
  alignas(16) std::uint8_t second[8][16];
  // Bit h of inRunBits[low] (and of unchangedBits[low]): the byte 16 * h +
  // low is in a run (and stays as it is). highBit[h]: 1 << h, and nothing
  // for bytes from 0x80 up.
  alignas(16) std::uint8_t inRunBits[16];
  alignas(16) std::uint8_t unchangedBits[16];
  alignas(16) std::uint8_t highBit[16];
};

// Converts what it can from the start of [from, from + size): ASCII bytes in
// a run and complete two-byte characters, while at least a vector's worth
// (64 bytes) is left. Stops before anything else (a letter that may begin a
// digraph, a longer or invalid sequence), which the caller converts. Writes
// the output at `out` (room for twice the input and 64 bytes more) and its
// length to `*written`; returns how many bytes it converted (0 also where
// the vector code is switched off).
std::size_t ConvertRun(const RunTables& tables, const std::uint8_t* from, std::size_t size, std::uint8_t* out,
                       std::size_t* written);

// For the tests (and KORVEL_NO_VECTOR_CODE in the environment): the
// byte-by-byte code alone.
void UseVectorCode(bool use);
bool VectorCodeInUse();
