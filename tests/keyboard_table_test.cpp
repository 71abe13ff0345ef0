#include "keyboard_table.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// The keyboard as a user reads it, written with glyphs (not the code units
// the table is written in), so a Latin letter slipped in for a look-alike
// Cyrillic one on either side shows up here.
std::map<char16_t, char16_t> ExpectedKeyboard() {
  const std::u16string keys =
      u"ABVGDEZIJKLMNOPRSTUFCYH"
      u"abvgdezijklmnoprstufcyh"
      u"XxQqWw"
      u"ÜüÖöÄäß"
      u"Ěě"
      u"*+'#";
  const std::u16string outputs =
      u"АБВГДЕЗИЙКЛМНОПРСТУФЦЫХ"
      u"абвгдезийклмнопрстуфцых"
      u"ЯяЁёЮю"
      u"ЭэШшЧчь"
      u"ъъ"
      u"ЩщЖж";
  EXPECT_EQ(keys.size(), outputs.size());
  std::map<char16_t, char16_t> expected;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    expected[keys[i]] = outputs[i];
  }
  return expected;
}

class KeyboardTableTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureKeyboardTable(); }
};

TEST_F(KeyboardTableTest, HoldsSixtySevenSingleUnitRowsWithCyrillicOutputs) {
  ASSERT_EQ(KeyboardTable.size(), 67u);
  for (std::size_t i = 0; i < KeyboardTable.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i + 1));
    const TranscriptionPair& row = KeyboardTable[i];
    ASSERT_EQ(row.key.size(), 1u);
    ASSERT_EQ(row.output.size(), 1u);
    if (i + 1 == 54) {
      EXPECT_EQ(row.output, u"I");  // the Latin letter, never reached
    } else {
      EXPECT_GE(row.output[0], 0x0400) << "output is not Cyrillic";
      EXPECT_LE(row.output[0], 0x04FF) << "output is not Cyrillic";
    }
  }
}

TEST_F(KeyboardTableTest, OnlyRowsFiftyFourAndFiftyFiveRepeatAnEarlierKey) {
  std::map<std::u16string, std::size_t> firstRow;
  std::vector<std::size_t> shadowed;
  for (std::size_t i = 0; i < KeyboardTable.size(); ++i) {
    if (!firstRow.emplace(KeyboardTable[i].key, i + 1).second) shadowed.push_back(i + 1);
  }
  EXPECT_EQ(shadowed, (std::vector<std::size_t>{54, 55}));
  EXPECT_EQ(KeyboardTable[53].key, u"I");
  EXPECT_EQ(KeyboardTable[54].key, u"i");
  EXPECT_EQ(KeyboardTable[54].output, u"\u0456");  // Ukrainian і
}

// The dialog's lookup, and the one that returns its result (for other
// threads), which never touches the dialog's.
TEST_F(KeyboardTableTest, EveryCodeUnitTranscribesAsTheKeyboardReads) {
  const std::map<char16_t, char16_t> expected = ExpectedKeyboard();
  ASSERT_EQ(expected.size(), 65u);
  for (unsigned code = 0; code <= 0xFFFF; ++code) {
    const char16_t ch = static_cast<char16_t>(code);
    TranscribeKey(ch);
    const auto it = expected.find(ch);
    const std::u16string want = it == expected.end() ? std::u16string() : std::u16string(1, it->second);
    ASSERT_EQ(LookupResult, want) << "code unit " << code;
    LookupResult = u"untouched";
    ASSERT_EQ(KeyOutput(ch), it == expected.end() ? 0 : it->second) << "code unit " << code;
    ASSERT_EQ(TypeText(std::u16string(1, ch)),
              IsTranscribedCharacter(ch) && !want.empty() ? want : std::u16string(1, ch));
    ASSERT_EQ(LookupResult, u"untouched");
  }
}

TEST_F(KeyboardTableTest, LooksLikeTheGermanKeyboardTypingRussian) {
  std::u16string typed;
  for (char16_t ch : std::u16string(u"Privet")) {
    TranscribeKey(ch);
    typed += LookupResult;
  }
  EXPECT_EQ(typed, u"Привет");

  TranscribeKey(u'E');
  EXPECT_EQ(LookupResult, u"\u0415");  // Е, a row of its own
  TranscribeKey(u'Ü');
  EXPECT_EQ(LookupResult, u"\u042D");  // Э
  TranscribeKey(u'I');
  EXPECT_EQ(LookupResult, u"\u0418");  // И, not the Latin I of row 54
  TranscribeKey(u'i');
  EXPECT_EQ(LookupResult, u"\u0438");  // и, not the і of row 55
}

TEST_F(KeyboardTableTest, EachLookupReplacesThePreviousResult) {
  TranscribeKey(u'h');
  EXPECT_EQ(LookupResult, u"х");
  TranscribeKey(u'H');
  EXPECT_EQ(LookupResult, u"Х");
  TranscribeKey(u'?');
  EXPECT_TRUE(LookupResult.empty());
  TranscribeKey(u'é');
  EXPECT_TRUE(LookupResult.empty());
}

TEST_F(KeyboardTableTest, TypedCharacterWithoutARowIsKeptAsItIs) {
  TranscribeTypedCharacter(u'x');
  EXPECT_EQ(LookupResult, u"я");
  TranscribeTypedCharacter(u'7');
  EXPECT_EQ(LookupResult, u"7");
  TranscribeTypedCharacter(u'\u0434');
  EXPECT_EQ(LookupResult, u"\u0434");
}

// The way back, from the keyboard as the user reads it: every output back
// to its key, ъ (given by Ě and ě) to ě, and nothing else.
TEST_F(KeyboardTableTest, EveryOutputGoesBackToTheKeyThatTypesIt) {
  std::map<char16_t, char16_t> back;
  for (const auto& [key, output] : ExpectedKeyboard()) {
    if (key != u'Ě') back[output] = key;
  }
  ASSERT_EQ(back.size(), 64u);
  for (unsigned code = 0; code <= 0xFFFF; ++code) {
    const char16_t ch = static_cast<char16_t>(code);
    const auto it = back.find(ch);
    ASSERT_EQ(KeyTypingOutput(ch), it == back.end() ? 0 : it->second) << "code unit " << code;
    if (it != back.end()) {
      TranscribeKey(it->second);
      ASSERT_EQ(LookupResult, std::u16string(1, ch)) << "code unit " << code;
    }
  }
  EXPECT_EQ(UntypeText(u"Привет, мир! ъЪЬ І\U0001F600"), u"Privet, mir! ěЪЬ І\U0001F600");
  EXPECT_EQ(UntypeText(u"жЭчшьЖщЩяЁЮ"), u"#Üäöß'+*xQW");
}

TEST(TranscriptionTableTest, AppendPairCopiesAndKeepsOrderAndDuplicates) {
  TranscriptionTable table;
  std::u16string key = u"k";
  AppendPair(table, key, u"first");
  AppendPair(table, u"k", u"second");
  AppendPair(table, u"", u"never matched");
  key[0] = u'z';  // the row owns its own copy
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[0].key, u"k");
  EXPECT_EQ(table[0].output, u"first");
  EXPECT_EQ(table[1].output, u"second");
  EXPECT_TRUE(table[2].key.empty());
}

TEST(TranscribedCharacterRangeTest, BoundsAreExclusive) {
  EXPECT_FALSE(IsTranscribedCharacter(0));
  EXPECT_FALSE(IsTranscribedCharacter(8));   // Backspace
  EXPECT_FALSE(IsTranscribedCharacter(13));  // Enter
  EXPECT_FALSE(IsTranscribedCharacter(30));
  EXPECT_TRUE(IsTranscribedCharacter(31));
  EXPECT_TRUE(IsTranscribedCharacter(127));
  EXPECT_TRUE(IsTranscribedCharacter(1399));
  EXPECT_FALSE(IsTranscribedCharacter(1400));
  EXPECT_FALSE(IsTranscribedCharacter(0xD83D));  // a high surrogate
}

}  // namespace
