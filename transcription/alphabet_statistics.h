// How likely each letter is after the two before it, in Russian (in
// Cyrillic), German and English (in Latin): small tables made from letter
// counts and word lists whose licences let them ship (see
// alphabet_statistics.NOTICE), for telling which language a word reads as.
#pragma once

#include <string_view>

enum class Language { Russian, German, English };

// A language's letters, lower case, after ' ' (a word's edge); and the cost
// (-log of the probability, in eighths) of each letter after each two:
// costs[(a * size + b) * size + c], where a, b and c number the letters as
// `letters` holds them, any other character being letters.size(), and size
// is letters.size() + 1.
struct LetterCosts {
  std::u16string_view letters;
  const unsigned char* costs;
};

LetterCosts CostsOf(Language language);
