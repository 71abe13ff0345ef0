// The hot loop of korvel-convert's direct converter in vector code, chosen
// for the processor when it runs (Highway's dynamic dispatch). The
// byte-by-byte loop stays the fallback and the reference.
#pragma once

#include <cstddef>
#include <cstdint>

// What one character, or one digraph, becomes: at most four bytes of UTF-8.
// All four are always written, so the output keeps a little slack.
struct Replacement {
  char bytes[4];
  std::uint32_t length;
};

// The converter's tables as the vector code reads them.
struct VectorTables {
  static constexpr int kMaxDigraphs = 4;
  // Where the digraphs' replacements follow the characters' in `words`.
  static constexpr std::uint32_t kDigraphWords = 0x800;

  // The replacement of every code point below U+0800, then of each digraph,
  // as one little-endian word padded with zero bytes: no replacement but
  // that of U+0000 has a zero byte, so word 0 stands for no output at all.
  const std::uint32_t* words;
  int digraphs;  // -1 where the vector code cannot take them (a digraph's second letter begins one)
  std::uint8_t digraphFirst[kMaxDigraphs];
  std::uint8_t digraphSecond[kMaxDigraphs];
  // Bytes that a run copies as they stand, looked up by their low nibble:
  // bit h of asciiKept[low] is the ASCII byte 16 * h + low (it stays as it
  // is and begins no digraph); leadKept[low] has bit 0 for the lead byte
  // 0xC0 + low and bit 1 for 0xD0 + low (every character it begins stays),
  // and bit 2 for every continuation byte. The high nibbles' bits are in
  // asciiHigh and leadHigh.
  alignas(16) std::uint8_t asciiKept[16];
  alignas(16) std::uint8_t leadKept[16];
  alignas(16) std::uint8_t asciiHigh[16];
  alignas(16) std::uint8_t leadHigh[16];
  // The replacements' bytes once more, as byte tables of 128 entries for
  // processors that look a vector of bytes up in them at once: window 0 is
  // ASCII, window w the characters of the lead bytes 0xC0 + 2w and 0xC1 +
  // 2w, by the low bit of the lead and the continuation's six bits. Byte k
  // of a replacement is in planes[window][k].
  alignas(64) std::uint8_t planes[16][4][128];
  // The same for each digraph.
  std::uint8_t digraphBytes[kMaxDigraphs][4];
};

// Converts from `from` while at least a vector's worth (64 bytes) is left
// before `to`: runs of characters that stay as they are, copied a vector at
// a time, and, where the processor has the instructions for it, blocks of
// one and two byte characters through the tables. Stops at a character
// boundary before anything else (a longer or invalid sequence, a zero
// byte), which the caller converts. `from` must follow a complete character
// (the byte before it is read). Writes at `out`, which has room for twice
// the input and 64 bytes more, and the output's length to `*written`;
// returns how many bytes it converted.
std::size_t ConvertByVectors(const VectorTables& tables, const std::uint8_t* from, const std::uint8_t* to,
                             std::uint8_t* out, std::size_t* written);

// For the tests (and KORVEL_NO_VECTOR_CODE in the environment): the
// byte-by-byte code alone.
void UseVectorCode(bool use);
bool VectorCodeInUse();
