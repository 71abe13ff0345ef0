// Copying a zero-terminated string into a buffer of fixed size: never past
// the buffer, always terminated. No windowing code, so it is fuzzed natively.
#pragma once

#include <cstddef>
#include <cstdint>

// Status values, the HRESULTs the Windows string functions use.
constexpr std::int32_t kBoundedCopyDone = 0;                                         // S_OK
constexpr std::int32_t kBoundedCopyCut = static_cast<std::int32_t>(0x8007007AU);     // STRSAFE_E_INSUFFICIENT_BUFFER
constexpr std::int32_t kBoundedCopyNoRoom = static_cast<std::int32_t>(0x80070057U);  // STRSAFE_E_INVALID_PARAMETER

// Copies `source` into `capacity` units at `destination`. kBoundedCopyCut
// when the source was cut to capacity - 1 units; kBoundedCopyNoRoom, writing
// nothing, when capacity is 0.
template <typename Unit>
std::int32_t BoundedCopyUnits(Unit* destination, std::size_t capacity, const Unit* source) {
  if (capacity == 0) return kBoundedCopyNoRoom;
  std::size_t copied = 0;
  while (copied < capacity && source[copied] != Unit{0}) {
    destination[copied] = source[copied];
    ++copied;
  }
  if (copied < capacity) {
    destination[copied] = Unit{0};
    return kBoundedCopyDone;
  }
  destination[capacity - 1] = Unit{0};
  return kBoundedCopyCut;
}
