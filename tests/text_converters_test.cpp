#include "text_converters.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <string>

namespace {

using Conversions = std::map<char16_t, std::u16string>;

void AddLetterByLetter(Conversions& table, std::u16string_view from, std::u16string_view to) {
  ASSERT_EQ(from.size(), to.size());
  for (std::size_t i = 0; i < from.size(); ++i) table[from[i]] = std::u16string(1, to[i]);
}

// What each single character becomes, written with glyphs from the
// conversion tables, independently of the alphabets in the code.
Conversions ExpectedCyrillicToLatin() {
  Conversions table;
  AddLetterByLetter(table, u"АБВГДЕЗИЙКЛМНОПРСТУФЦЫ", u"ABVGDEZIJKLMNOPRSTUFCY");
  AddLetterByLetter(table, u"абвгдезийклмнопрстуфцы", u"abvgdezijklmnoprstufcy");
  AddLetterByLetter(table, u"ьъIіШшЧчЖж", u"ˇ'IiŠšČčŽž");
  table[u'Х'] = u"Ch";
  table[u'х'] = u"ch";
  table[u'Я'] = u"Ja";
  table[u'я'] = u"ja";
  table[u'Щ'] = u"Šč";
  table[u'щ'] = u"šč";
  table[u'Ё'] = u"Je";
  table[u'ё'] = u"je";
  table[u'Ю'] = u"Ju";
  table[u'ю'] = u"ju";
  table[u' '] = u"  ";
  return table;
}

Conversions ExpectedLatinToCyrillic() {
  Conversions table;
  AddLetterByLetter(table, u"ÁáÉéÍíÝýÓóÚúŮůŘřŇň", u"АаЕеИиЫыОоУуУуРрНн");
  AddLetterByLetter(table, u"ABVHGDEZIJKLMNOPRSTUFCY", u"АБВГГДЕЗИЙКЛМНОПРСТУФЦЫ");
  AddLetterByLetter(table, u"abvhgdezijklmnoprstufcy", u"абвггдезийклмнопрстуфцы");
  AddLetterByLetter(table, u"ˇ'ŠšČčŽž", u"ьъШшЧчЖж");
  table[u'Ě'] = u"ЕЕ";
  table[u'ě'] = u"ье";
  table[u'ď'] = u"дь";
  table[u' '] = u"  ";
  return table;
}

void ExpectEveryCodeUnitConverts(std::u16string (*convert)(const char16_t*), const Conversions& expected) {
  for (unsigned code = 1; code <= 0xFFFF; ++code) {
    const char16_t text[2] = {static_cast<char16_t>(code), 0};
    const auto it = expected.find(text[0]);
    const std::u16string want = it == expected.end() ? std::u16string(1, text[0]) : it->second;
    ASSERT_EQ(convert(text), want) << "code unit " << code;
  }
  const char16_t empty[1] = {0};
  EXPECT_EQ(convert(empty), u"");
}

TEST(CyrillicToLatinTest, EveryCodeUnitConvertsAsTheTableReads) {
  const Conversions expected = ExpectedCyrillicToLatin();
  ASSERT_EQ(expected.size(), 65u);
  ExpectEveryCodeUnitConverts(CyrillicToLatin, expected);
}

TEST(LatinToCyrillicTest, EveryCodeUnitConvertsAsTheTableReads) {
  const Conversions expected = ExpectedLatinToCyrillic();
  ASSERT_EQ(expected.size(), 76u);
  ExpectEveryCodeUnitConverts(LatinToCyrillic, expected);
}

TEST(CyrillicToLatinTest, ConvertsWordsAndLeavesTheRestAlone) {
  EXPECT_EQ(CyrillicToLatin(u"Щука, ёж и Юля."), u"Ščuka,  jež  i  Julja.");
  EXPECT_EQ(CyrillicToLatin(u"Хорошо"), u"Chorošo");
  // No rows for Э, capital soft and hard signs, Cyrillic І: they stay.
  EXPECT_EQ(CyrillicToLatin(u"ЭэЬЪІ"), u"ЭэЬЪІ");
  EXPECT_EQ(CyrillicToLatin(u"Latin 7\t\r\n"), u"Latin  7\t\r\n");
}

TEST(LatinToCyrillicTest, ChDigraphIsCaseExactAndGreedyFromTheLeft) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"Ch", u"Х"},   {u"ch", u"х"},   {u"CH", u"ЦГ"}, {u"cH", u"цГ"},   {u"Chh", u"Хг"},
      {u"Cch", u"Цх"}, {u"CCh", u"ЦХ"}, {u"C", u"Ц"},   {u"abc", u"абц"}, {u"chChch", u"хХх"},
  };
  for (const auto& [latin, cyrillic] : cases) {
    EXPECT_EQ(LatinToCyrillic(latin.c_str()), cyrillic) << "input length " << latin.size();
  }
}

TEST(LatinToCyrillicTest, ShadowedPositionsNeverTakeEffect) {
  EXPECT_EQ(LatinToCyrillic(u"Já Ja Je Ju Šč I i"), u"Йа  Йа  Йе  Йу  Шч  И  и");
  EXPECT_EQ(LatinToCyrillic(u"ĚěďĎ"), u"ЕЕьедьĎ");  // capital Ď has no row
  EXPECT_EQ(LatinToCyrillic(u"WwQqXxÄäÖöÜüßťŤ"), u"WwQqXxÄäÖöÜüßťŤ");
  EXPECT_EQ(LatinToCyrillic(u"Привет"), u"Привет");
  EXPECT_EQ(LatinToCyrillic(u"a b\tc\r\nd"), u"а  б\tц\r\nд");
}

TEST(RoundTripTest, CyrillicThroughLatinAndBack) {
  EXPECT_EQ(LatinToCyrillic(CyrillicToLatin(u"ХхШЧЖьъ").c_str()), u"ХхШЧЖьъ");
  const std::u16string letters = u"АБВГДЕЗИЙКЛМНОПРСТУФЦЫабвгдезийклмнопрстуфцы";
  EXPECT_EQ(LatinToCyrillic(CyrillicToLatin(letters)), letters);
  // Letters that come back as two, and the space that doubles twice.
  EXPECT_EQ(LatinToCyrillic(CyrillicToLatin(u"ЯЩЁЮі ")), u"ЙаШчЙеЙуи    ");
}

TEST(ConvertersTest, SurrogatesPassUnchanged) {
  const std::u16string emoji = u"\U0001F600";
  ASSERT_EQ(emoji.size(), 2u);
  EXPECT_EQ(CyrillicToLatin(emoji), emoji);
  EXPECT_EQ(LatinToCyrillic(emoji), emoji);
  const char16_t lone[] = {0xD800, u'a', 0xDC00, 0};
  EXPECT_EQ(CyrillicToLatin(lone), std::u16string(lone));
  EXPECT_EQ(LatinToCyrillic(lone), (std::u16string{0xD800, u'а', 0xDC00}));
}

TEST(ConvertersTest, EmptyAndNullTextGiveEmptyOutput) {
  EXPECT_EQ(CyrillicToLatin(u""), u"");
  EXPECT_EQ(LatinToCyrillic(u""), u"");
  EXPECT_EQ(CyrillicToLatin(static_cast<const char16_t*>(nullptr)), u"");
  EXPECT_EQ(LatinToCyrillic(static_cast<const char16_t*>(nullptr)), u"");
}

TEST(ConvertersTest, StopAtTheTerminatorAndNeverReadPastIt) {
  // Exactly sized heap buffers: the sanitizer build reports any read past
  // their end, such as a digraph test peeking behind a trailing C.
  auto exact = std::make_unique<char16_t[]>(2);
  exact[0] = u'C';
  exact[1] = 0;
  EXPECT_EQ(LatinToCyrillic(exact.get()), u"Ц");
  EXPECT_EQ(CyrillicToLatin(exact.get()), u"C");

  auto unterminated = std::make_unique<char16_t[]>(1);
  unterminated[0] = u'c';
  EXPECT_EQ(LatinToCyrillic(std::u16string_view(unterminated.get(), 1)), u"ц");

  const char16_t embedded[] = {u'a', 0, u'b', 0};
  EXPECT_EQ(LatinToCyrillic(embedded), u"а");
  EXPECT_EQ(LatinToCyrillic(std::u16string_view(embedded, 3)), (std::u16string{u'а', 0, u'б'}));
  EXPECT_EQ(CyrillicToLatin(std::u16string_view(embedded, 3)), (std::u16string{u'a', 0, u'b'}));
}

TEST(ConvertersTest, OutputIsAtMostTwiceTheInputAndEmptyOnlyForEmptyInput) {
  std::mt19937 random(20261208);
  // Mostly the characters the alphabets know, with arbitrary units mixed in.
  const std::u16string alphabet = u"ЯяЩщЁёЮюХхCcHhĚěďÁ ЖжьъIiJjaeu";
  for (int round = 0; round < 2000; ++round) {
    std::u16string text(random() % 40, u'\0');
    for (char16_t& unit : text) {
      unit = random() % 4 == 0 ? static_cast<char16_t>(1 + random() % 0xFFFF) : alphabet[random() % alphabet.size()];
    }
    using ViewConverter = std::u16string (*)(std::u16string_view);
    for (const ViewConverter convert : {ViewConverter{CyrillicToLatin}, ViewConverter{LatinToCyrillic}}) {
      const std::u16string output = convert(text);
      EXPECT_LE(output.size(), 2 * text.size());
      EXPECT_EQ(output.empty(), text.empty());
    }
  }
}

}  // namespace
