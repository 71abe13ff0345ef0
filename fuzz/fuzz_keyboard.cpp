// Fuzzes the keyboard lookup feeding a bounded copy, as a typed character's
// output reaches the editor and the label: whatever the units and the
// buffer size, nothing is written past the buffer and it is terminated.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bounded_copy.h"
#include "keyboard_table.h"

namespace {

void Check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  EnsureKeyboardTable();
  if (size < 1) return 0;
  const std::size_t capacity = data[0];  // 0 to 255 units, 0 included
  std::u16string typed;
  for (std::size_t i = 1; i + 1 < size; i += 2) {
    char16_t unit;
    std::memcpy(&unit, data + i, 2);
    TranscribeKey(unit);
    Check(LookupResult.size() <= 1);
    Check(LookupResult.empty() || (LookupResult[0] >= 0x0400 && LookupResult[0] <= 0x04FF) || LookupResult == u"I");
    TranscribeTypedCharacter(unit);
    Check(LookupResult.size() == 1);
    if (LookupResult[0] != 0) typed += LookupResult;
  }

  auto source = std::make_unique<char16_t[]>(typed.size() + 1);
  std::memcpy(source.get(), typed.c_str(), (typed.size() + 1) * 2);
  auto destination = std::make_unique<char16_t[]>(capacity == 0 ? 1 : capacity);  // exact, for the sanitizer
  const std::int32_t status = BoundedCopyUnits(destination.get(), capacity, source.get());
  if (capacity == 0) {
    Check(status == kBoundedCopyNoRoom);
  } else if (typed.size() < capacity) {
    Check(status == kBoundedCopyDone);
    Check(std::u16string(destination.get()) == typed);
  } else {
    Check(status == kBoundedCopyCut);
    Check(std::u16string(destination.get()) == typed.substr(0, capacity - 1));
  }
  return 0;
}
