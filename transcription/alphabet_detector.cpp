#include "alphabet_detector.h"

#include <algorithm>
#include <cstdint>

#include "alphabet_statistics.h"
#include "keyboard_table.h"
#include "wrong_alphabet.h"

namespace {

// Costs are -log p in eighths. A run is fixed when the other language reads
// it better by this much (in all, over at least two words of two letters
// and more); within it, a word that reads much better as typed stays.
constexpr int kRunMargin = 8 * 8;
constexpr int kWordMargin = 2 * 8;
constexpr int kRunWords = 2;
// The run's last words only: so many are judged at most (and typing a long
// paragraph costs no more per word than a short one).
constexpr std::size_t kMostWords = 16;

// Punctuation around a word, which no key of Korvel's types a letter with.
constexpr std::u16string_view kAround = u".,!?;:\"()[]{}\u00AB\u00BB\u201E\u201C\u201D\u2026\u2013\u2014<>'";
// What Korvel's keys type Cyrillic letters with, besides Latin letters.
constexpr std::u16string_view kLetterKeys = u"#'+*";

// A no-break space too: editors end a line's text with one.
bool IsSeparator(char16_t unit) { return unit == u' ' || unit == u'\t' || unit == 0xA0; }

bool IsUpper(char16_t unit) {
  return (unit >= u'A' && unit <= u'Z') || (unit >= 0xC0 && unit <= 0xDE && unit != 0xD7) ||
         (unit >= 0x400 && unit <= 0x42F) || unit == 0x11A;
}

bool IsLower(char16_t unit) {
  return (unit >= u'a' && unit <= u'z') || (unit >= 0xDF && unit <= 0xFF && unit != 0xF7) ||
         (unit >= 0x430 && unit <= 0x45F) || unit == 0x11B;
}

char16_t Lower(char16_t unit) {
  if ((unit >= u'A' && unit <= u'Z') || (unit >= 0xC0 && unit <= 0xDE && unit != 0xD7) ||
      (unit >= 0x410 && unit <= 0x42F)) {
    return static_cast<char16_t>(unit + 0x20);
  }
  if (unit >= 0x400 && unit <= 0x40F) return static_cast<char16_t>(unit + 0x50);
  return unit == 0x11A ? char16_t{0x11B} : unit;
}

bool IsDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

Script ScriptOfWord(std::u16string_view word) {
  bool latin = false;
  bool cyrillic = false;
  for (const char16_t unit : word) {
    const Script script = ScriptOf(unit);
    latin |= script == Script::Latin;
    cyrillic |= script == Script::Cyrillic;
  }
  if (latin && cyrillic) return Script::None;  // both alphabets: never touched
  return latin ? Script::Latin : cyrillic ? Script::Cyrillic : Script::None;
}

std::size_t Letters(std::u16string_view word) {
  return static_cast<std::size_t>(std::count_if(word.begin(), word.end(), [](char16_t unit) {
    return ScriptOf(unit) != Script::None || kLetterKeys.find(unit) != std::u16string_view::npos;
  }));
}

bool Contains(std::u16string_view text, std::u16string_view part) { return text.find(part) != text.npos; }

bool IsLatinKey(char16_t unit) {
  return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z') ||
         std::u16string_view(u"\u00E4\u00F6\u00FC\u00C4\u00D6\u00DC\u00DF\u011A\u011B-").find(unit) !=
             std::u16string_view::npos ||
         kLetterKeys.find(unit) != std::u16string_view::npos;
}

// Words that are not words of a language, in any alphabet: numbers,
// addresses, paths, code, abbreviations, CamelCase, hashtags, and what no
// key of Korvel's types.
bool NeverTouched(std::u16string_view token, std::u16string_view word, Script script) {
  if (std::any_of(token.begin(), token.end(), IsDigit)) return true;
  for (const std::u16string_view part : {u"://", u"@", u"www.", u"/", u"\\"}) {
    if (Contains(token, part)) return true;
  }
  if (!word.empty() && (word.front() == u'-' || word.front() == u'_')) return true;
  for (const char16_t unit : std::u16string_view(u"_=$%&|~^")) {
    if (Contains(word, std::u16string_view(&unit, 1))) return true;
  }
  if (Contains(word, u"++") || (word.size() == 2 && ScriptOf(word[0]) == Script::Latin && word[1] == u'#')) {
    return true;
  }
  std::size_t letters = 0;
  bool allUpper = true;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const bool letter = ScriptOf(word[i]) != Script::None;
    letters += letter;
    if (letter && !IsUpper(word[i])) allUpper = false;
    if (i > 0 && IsLower(word[i - 1]) && IsUpper(word[i])) return true;  // CamelCase
    // A dot between letters: a domain, an abbreviation, a file name.
    if (word[i] == u'.' && i > 0 && i + 1 < word.size() && ScriptOf(word[i - 1]) != Script::None &&
        ScriptOf(word[i + 1]) != Script::None) {
      return true;
    }
  }
  if (letters >= 2 && allUpper) return true;
  if (word.size() > 1 && word[0] == u'#' && IsUpper(word[1])) return true;  // a hashtag
  for (const char16_t unit : word) {
    if (script == Script::Latin ? !IsLatinKey(unit) : ScriptOf(unit) != Script::Cyrillic && unit != u'-') return true;
  }
  return false;
}

// How unlikely `word` is in `language`, edges included.
int WordCost(Language language, std::u16string_view word) {
  const LetterCosts costs = CostsOf(language);
  const std::size_t size = costs.letters.size() + 1;
  const auto number = [&](char16_t unit) {
    const std::size_t at = costs.letters.find(unit);
    return at == std::u16string_view::npos ? costs.letters.size() : at;
  };
  std::size_t a = 0;  // the edge
  std::size_t b = 0;
  int cost = 0;
  const std::uint16_t* const threesEnd = costs.threes + costs.threeCount;
  for (std::size_t i = 0; i <= word.size(); ++i) {
    const std::size_t c = i < word.size() ? number(Lower(word[i])) : 0;
    const auto three = static_cast<std::uint16_t>((a * size + b) * size + c);
    const std::uint16_t* found = std::lower_bound(costs.threes, threesEnd, three);
    cost += found != threesEnd && *found == three ? costs.threeCosts[found - costs.threes] : costs.pairs[b * size + c];
    a = b;
    b = c;
  }
  return cost;
}

std::u16string InOtherAlphabet(std::u16string_view word, Script script) {
  return script == Script::Latin ? TypeText(word) : UntypeText(word);
}

// How much better the word reads in the other alphabet than as typed.
int Margin(std::u16string_view word, Script script) {
  if (script == Script::Latin) {
    const std::u16string cyrillic = TypeText(word);
    for (std::size_t i = 1; i < cyrillic.size(); ++i) {
      // A capital inside: no Russian word (the keys of Ж, Щ are ' and *).
      if (IsLower(cyrillic[i - 1]) && IsUpper(cyrillic[i])) return -99 * 8;
    }
    return std::min(WordCost(Language::German, word), WordCost(Language::English, word)) -
           WordCost(Language::Russian, cyrillic);
  }
  const std::u16string latin = UntypeText(word);
  return WordCost(Language::Russian, word) -
         std::min(WordCost(Language::German, latin), WordCost(Language::English, latin));
}

// What a word tells about its run: a letter alone nothing; a capitalised
// word (most often a name) only against fixing, in either reading ("*name"
// in code would be a capital Щ).
int Evidence(std::u16string_view word, Script script, int margin) {
  if (Letters(word) <= 1) return 0;
  if (IsUpper(word.front()) || IsUpper(InOtherAlphabet(word.substr(0, 1), script).front())) return std::min(margin, 0);
  return margin;
}

bool SameWord(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

struct Word {
  std::size_t begin, end;   // the token, punctuation included
  std::size_t first, last;  // its letters
};

std::vector<Word> Words(std::u16string_view text) {
  std::vector<Word> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSeparator(text[i])) ++i;
    const std::size_t begin = i;
    while (i < text.size() && !IsSeparator(text[i])) ++i;
    if (i == begin) break;
    std::size_t first = begin;
    std::size_t last = i;
    while (first < last && kAround.find(text[first]) != kAround.npos) ++first;
    while (last > first && kAround.find(text[last - 1]) != kAround.npos) --last;
    words.push_back({begin, i, first, last});
  }
  return words;
}

}  // namespace

std::optional<AlphabetFix> JudgeRun(std::u16string_view whole, const LeftAlone& leftAlone) {
  std::size_t tail = whole.size();
  for (std::size_t count = 0; tail > 0 && count <= kMostWords;) {
    while (tail > 0 && IsSeparator(whole[tail - 1])) --tail;
    if (count == kMostWords) break;
    while (tail > 0 && !IsSeparator(whole[tail - 1])) --tail;
    ++count;
  }
  const std::u16string_view run = whole.substr(tail);
  const std::vector<Word> words = Words(run);
  if (words.empty()) return std::nullopt;
  const auto letters = [&](const Word& word) { return run.substr(word.first, word.last - word.first); };
  const auto token = [&](const Word& word) { return run.substr(word.begin, word.end - word.begin); };
  const auto setAside = [&](std::u16string_view word) {
    return std::any_of(leftAlone.begin(), leftAlone.end(), [&](const std::u16string& w) { return SameWord(w, word); });
  };
  const Script script = ScriptOfWord(letters(words.back()));
  if (script == Script::None || NeverTouched(token(words.back()), letters(words.back()), script) ||
      setAside(letters(words.back()))) {
    return std::nullopt;
  }
  // The run's words from the last back, as long as they are in its alphabet;
  // the best-read suffix of at least two words is the one fixed, the longest
  // of those that read as well (a name or a letter before it goes with it).
  struct Judged {
    std::size_t index;
    int margin;
  };
  std::vector<Judged> judged;
  int sum = 0;
  int counted = 0;
  std::optional<std::pair<int, std::size_t>> best;  // the sum, and how many judged words
  for (std::size_t i = words.size(); i-- > 0;) {
    const std::u16string_view word = letters(words[i]);
    const Script own = ScriptOfWord(word);
    const bool anyLetter =
        std::any_of(word.begin(), word.end(), [](char16_t unit) { return ScriptOf(unit) != Script::None; });
    if (!anyLetter) continue;  // punctuation, signs
    if (own != script) break;
    if (NeverTouched(token(words[i]), word, script)) continue;
    if (setAside(word)) break;
    const int margin = Margin(word, script);
    sum += Evidence(word, script, margin);
    counted += Letters(word) > 1;
    judged.push_back({i, margin});
    if (counted >= kRunWords && sum >= kRunMargin && (!best || sum >= best->first)) best = {{sum, judged.size()}};
  }
  if (!best) return std::nullopt;
  judged.resize(best->second);
  const std::size_t begin = words[judged.back().index].begin;
  std::u16string text(run.substr(begin));
  bool changed = false;
  // From the last word back, so that the offsets before stay true.
  for (const Judged& each : judged) {
    if (each.margin < -kWordMargin) continue;
    const Word& word = words[each.index];
    const std::u16string other = InOtherAlphabet(letters(word), script);
    changed |= other != letters(word);
    text.replace(word.first - begin, word.last - word.first, other);
  }
  if (!changed) return std::nullopt;
  return AlphabetFix{tail + begin, std::move(text), script == Script::Latin};
}

LeftAlone WordsOf(std::u16string_view text) {
  LeftAlone words;
  for (const Word& word : Words(text)) {
    if (word.last > word.first) words.emplace_back(text.substr(word.first, word.last - word.first));
  }
  return words;
}

std::u16string FixAlphabetInLine(std::u16string_view line, const LeftAlone& leftAlone) {
  std::u16string out;
  out.reserve(line.size());
  std::size_t runStart = 0;
  std::optional<Script> typingIn;  // after a fix: what the keys now type
  std::size_t i = 0;
  while (i < line.size()) {
    std::size_t end = i;
    while (end < line.size() && IsSeparator(line[end])) ++end;
    while (end < line.size() && !IsSeparator(line[end])) ++end;
    std::u16string piece(line.substr(i, end - i));
    i = end;
    if (typingIn) {
      // Korvel switched: the word comes out in the other alphabet, unless it
      // is one that is never touched.
      for (const Word& word : Words(piece)) {
        const std::u16string_view letters(piece.data() + word.first, word.last - word.first);
        const Script script = ScriptOfWord(letters);
        if (script == Script::None || script == *typingIn ||
            NeverTouched(std::u16string_view(piece).substr(word.begin, word.end - word.begin), letters, script)) {
          continue;
        }
        piece.replace(word.first, word.last - word.first, InOtherAlphabet(letters, script));
      }
    }
    out += piece;
    if (auto fix = JudgeRun(std::u16string_view(out).substr(runStart), leftAlone)) {
      out.replace(runStart + fix->begin, std::u16string::npos, fix->text);
      typingIn = fix->cyrillic ? Script::Cyrillic : Script::Latin;
      runStart = out.size();
    }
  }
  return out;
}
