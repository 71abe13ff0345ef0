// How likely each letter is after the two before it, in Russian (in
// Cyrillic), German and English (in Latin): small tables made from letter
// counts and word lists whose licences let them ship (see
// alphabet_statistics.NOTICE), for telling which language a word reads as.
#pragma once

#include <cstddef>
#include <cstdint>

enum class Language { Russian, German, English };

// A letter after one or two others (lower case, ' ' for a word's edge),
// packed 16 bits each, with its cost: -log of its probability, in eighths.
struct Gram {
  std::uint64_t key;
  std::uint8_t cost;
};
struct Grams {
  const Gram* grams;  // sorted by key
  std::size_t count;
};
struct Costs {
  Grams three, two, one;
  int floor;  // a letter the language never has
};

const Costs& CostsOf(Language language);
