// Whole-text converters between Russian Cyrillic and a Czech-style Latin
// transcription. Portable: no windowing code, UTF-16 as char16_t.
#pragma once

#include <string>
#include <string_view>

// Two alphabets of equal length: position k of `search` corresponds to
// position k of `output`. Only the first occurrence of a character counts,
// plus the position right after it when that holds the same character again
// (a doubled entry: one input unit yields two output units).
struct ParallelAlphabets {
  std::u16string_view search;
  std::u16string_view output;
};

extern const ParallelAlphabets CyrillicToLatinAlphabets;
extern const ParallelAlphabets LatinToCyrillicAlphabets;

// Two units that stand for one letter. LatinToCyrillic tests them at every
// position before its alphabet, case-exact: CH and cH are no digraphs.
struct Digraph {
  char16_t first;
  char16_t second;
  char16_t output;
};
inline constexpr Digraph LatinToCyrillicDigraphs[] = {
    {u'C', u'h', u'\u0425'},  // Ch -> Х
    {u'c', u'h', u'\u0445'},  // ch -> х
};

// Converters of a zero-terminated text: they read up to, not including, the
// first zero unit and never past it. The result is at most twice as long.
std::u16string CyrillicToLatin(const char16_t* text);
std::u16string LatinToCyrillic(const char16_t* text);

// The same over exactly the units of `text`; a zero unit is passed through
// like any other character without a conversion.
std::u16string CyrillicToLatin(std::u16string_view text);
std::u16string LatinToCyrillic(std::u16string_view text);
