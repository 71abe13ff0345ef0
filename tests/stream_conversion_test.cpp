// Converting in pieces gives what converting whole gives, and UTF-8 is
// decoded and rejected exactly, wherever the pieces are cut.
#include "stream_conversion.h"
#include "utf8.h"
#include "utf8_decoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

constexpr ConversionMode kModes[] = {ConversionMode::ToLatin, ConversionMode::ToCyrillic, ConversionMode::Keyboard,
                                     ConversionMode::ToKeys};

std::u16string ConvertInPieces(ConversionMode mode, std::u16string_view text, const std::vector<std::size_t>& cuts) {
  StreamConversion conversion(mode);
  std::u16string out;
  std::size_t start = 0;
  for (const std::size_t cut : cuts) {
    conversion.Convert(text.substr(start, cut - start), out);
    start = cut;
  }
  conversion.Convert(text.substr(start), out);
  conversion.Finish(out);
  return out;
}

// Texts that stress the piece boundaries: digraph halves, surrogate pairs,
// zero units, doubled letters and spaces.
std::vector<std::u16string> AdversarialTexts() {
  return {
      u"",
      u"C",
      u"c",
      u"Ch",
      u"chChcH",
      u"CCCChhhh",
      u"cCcCc",
      u"Ch\0h" + std::u16string(1, u'\0') + u"C",
      u"Щука ЁЖ Хата\r\n",
      u"\U0001F600C\U0001F600h",
      std::u16string{0xD800, u'C', 0xDC00, u'h'},
      u"Šč Ďábel Ěě ˇ' Ja Je",
  };
}

TEST(StreamConversionTest, EveryCutGivesTheWholeResult) {
  for (const ConversionMode mode : kModes) {
    for (const std::u16string& text : AdversarialTexts()) {
      const std::u16string whole = ConvertWhole(mode, text);
      for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        ASSERT_EQ(ConvertInPieces(mode, text, {cut}), whole)
            << "mode " << static_cast<int>(mode) << ", cut at " << cut << " of " << text.size();
      }
      std::vector<std::size_t> everyUnit;
      for (std::size_t cut = 1; cut < text.size(); ++cut) everyUnit.push_back(cut);
      ASSERT_EQ(ConvertInPieces(mode, text, everyUnit), whole) << "one unit a piece";
    }
  }
}

TEST(StreamConversionTest, RandomTextsCutAtRandomGiveTheWholeResult) {
  std::mt19937 random(8122026);
  const std::u16string alphabet = u"CcHhЯЩщХхabc Ěď\r\n";
  for (int round = 0; round < 3000; ++round) {
    std::u16string text(random() % 64, u' ');
    for (char16_t& unit : text) {
      unit = random() % 5 == 0 ? static_cast<char16_t>(random() % 0x10000) : alphabet[random() % alphabet.size()];
    }
    std::vector<std::size_t> cuts;
    for (std::size_t at = 0; at < text.size(); at += 1 + random() % 7) cuts.push_back(at);
    for (const ConversionMode mode : kModes) {
      ASSERT_EQ(ConvertInPieces(mode, text, cuts), ConvertWhole(mode, text)) << "round " << round;
    }
  }
}

TEST(StreamConversionTest, ModesUseTheCoreConversions) {
  EXPECT_EQ(ConvertWhole(ConversionMode::ToLatin, u"Щука"), u"Ščuka");
  EXPECT_EQ(ConvertWhole(ConversionMode::ToCyrillic, u"Chata"), u"Хата");
  // As typed into Korvel: only codes 31 to 1399 go through the table.
  EXPECT_EQ(ConvertWhole(ConversionMode::Keyboard, u"Privet\t#\u0578x"), u"Привет\tж\u0578я");
}

std::string Utf8Of(std::u16string_view units) {
  std::string out;
  AppendUtf8(units, out);
  return out;
}

TEST(Utf8Test, EncodesAndDecodesEveryKindOfCharacter) {
  const std::u16string text = u"a\u00E9\u0416\u20AC\U0001F600\U0010FFFF" + std::u16string(1, u'\0') + u"z";
  const std::string bytes = Utf8Of(text);
  EXPECT_EQ(bytes, std::string("a\xC3\xA9\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", 16) +
                       std::string(1, '\0') + "z");
  for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
    Utf8Decoder decoder;
    std::u16string decoded;
    ASSERT_TRUE(decoder.Decode(std::string_view(bytes).substr(0, cut), decoded));
    ASSERT_TRUE(decoder.Decode(std::string_view(bytes).substr(cut), decoded));
    ASSERT_TRUE(decoder.Finish());
    ASSERT_EQ(decoded, text) << "cut at byte " << cut;
  }
}

TEST(Utf8Test, UnpairedSurrogateIsWrittenAsReplacementCharacter) {
  EXPECT_EQ(Utf8Of(std::u16string{0xD800, u'a'}),
            "\xEF\xBF\xBD"
            "a");
  EXPECT_EQ(Utf8Of(std::u16string{0xDC00}), "\xEF\xBF\xBD");
}

struct InvalidCase {
  const char* name;
  std::string bytes;
  std::uint64_t offset;
};

TEST(Utf8Test, RejectsWhatIsNotUtf8AtTheRightOffsetWhereverItIsCut) {
  const InvalidCase cases[] = {
      {"stray continuation", "ab\x80", 2},
      {"invalid byte", "abc\xFF", 3},
      {"C0 lead byte", "\xC0\x80", 0},
      {"overlong three bytes", "x\xE0\x80\xAF", 1},
      {"overlong four bytes", "\xF0\x80\x80\xAF", 0},
      {"encoded surrogate", "ok\xED\xA0\x80", 2},
      {"above U+10FFFF", "\xF4\x90\x80\x80", 0},
      {"missing continuation",
       "\xD0"
       "a",
       0},
      {"cut off at the end", "abc\xE2\x82", 3},
  };
  for (const InvalidCase& invalid : cases) {
    for (std::size_t cut = 0; cut <= invalid.bytes.size(); ++cut) {
      Utf8Decoder decoder;
      std::u16string decoded;
      const bool valid = decoder.Decode(std::string_view(invalid.bytes).substr(0, cut), decoded) &&
                         decoder.Decode(std::string_view(invalid.bytes).substr(cut), decoded) && decoder.Finish();
      ASSERT_FALSE(valid) << invalid.name;
      EXPECT_EQ(decoder.ErrorOffset(), invalid.offset) << invalid.name << ", cut at byte " << cut;
    }
  }
}

}  // namespace
