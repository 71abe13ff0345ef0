// How likely each letter is after the two before it, in Russian (in
// Cyrillic), German and English (in Latin): small tables made from letter
// counts and word lists whose licences let them ship (see
// alphabet_statistics.NOTICE), for telling which language a word reads as.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

enum class Language { Russian, German, English };

// A language's letters, lower case, after ' ' (a word's edge), numbered as
// they stand, any other character being letters.size(); size is
// letters.size() + 1. The cost of letter c after a and b (-log of its
// probability, in eighths) is that of the three where (a * size + b) * size
// + c is among `threes` (sorted), else pairs[b * size + c].
struct LetterCosts {
  std::u16string_view letters;
  const unsigned char* pairs;
  const std::uint16_t* threes;
  const unsigned char* threeCosts;
  std::size_t threeCount;
};

LetterCosts CostsOf(Language language);
