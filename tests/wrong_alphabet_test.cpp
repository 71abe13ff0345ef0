#include "wrong_alphabet.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "keyboard_table.h"
#include "text_converters.h"

namespace {

TEST(WrongAlphabetTest, KeyboardGoesEachWayByMostLetters) {
  EXPECT_EQ(RewriteInOtherAlphabet(u"Privet", Rewriting::Keyboard).text, u"Привет");
  EXPECT_TRUE(RewriteInOtherAlphabet(u"Privet", Rewriting::Keyboard).cyrillic);
  const Rewritten back = RewriteInOtherAlphabet(u"Гутен Таг", Rewriting::Keyboard);
  EXPECT_EQ(back.text, u"Guten Tag");
  EXPECT_FALSE(back.cyrillic);
  // Mixed: turned as a whole toward the minority's alphabet.
  EXPECT_EQ(RewriteInOtherAlphabet(u"Привет mir", Rewriting::Keyboard).text, u"Privet mir");
  EXPECT_EQ(RewriteInOtherAlphabet(u"При vet, #", Rewriting::Keyboard).text, u"При вет, ж");
  // A tie, and no letters at all, go to Cyrillic.
  EXPECT_EQ(RewriteInOtherAlphabet(u"ab аб", Rewriting::Keyboard).text, u"аб аб");
  EXPECT_EQ(RewriteInOtherAlphabet(u"#+ 1", Rewriting::Keyboard).text, u"жщ 1");
  EXPECT_EQ(RewriteInOtherAlphabet(u"", Rewriting::Keyboard).text, u"");
}

TEST(WrongAlphabetTest, TranscriptionUsesTheWholeTextConverters) {
  const Rewritten latin = RewriteInOtherAlphabet(u"Щука", Rewriting::Transcription);
  EXPECT_EQ(latin.text, u"Ščuka");
  EXPECT_FALSE(latin.cyrillic);
  const Rewritten cyrillic = RewriteInOtherAlphabet(u"Ščuka, chleb", Rewriting::Transcription);
  EXPECT_EQ(cyrillic.text, LatinToCyrillic(std::u16string_view(u"Ščuka, chleb")));
  EXPECT_TRUE(cyrillic.cyrillic);
  // Czech letters and the caron count as Latin: "dˇ" is mostly Latin.
  EXPECT_EQ(RewriteInOtherAlphabet(u"dˇ", Rewriting::Transcription).text, u"дь");
}

// What Korvel typed goes back to the keys, whatever else the text holds.
TEST(WrongAlphabetTest, KeyboardRewritingUndoesTypingOnRandomTexts) {
  const std::u16string keys = u"ABVGDEZIJKLMNOPRSTUFCYHabvgdezijklmnoprstufcyhXxQqWwÜüÖöÄäßě*+'#";
  const std::u16string others = u" ,.!?0123456789\t\n-€\U0001F600";
  std::mt19937 random(20261209);
  for (int round = 0; round < 2000; ++round) {
    std::u16string text(1 + random() % 40, u' ');
    for (char16_t& unit : text) {
      unit = random() % 4 == 0 ? others[random() % others.size()] : keys[random() % keys.size()];
    }
    const std::u16string typed = TypeText(text);
    ASSERT_EQ(UntypeText(typed), text);
    const Rewritten there = RewriteInOtherAlphabet(text, Rewriting::Keyboard);
    ASSERT_TRUE(there.cyrillic);
    ASSERT_EQ(there.text, typed);
    ASSERT_EQ(RewriteInOtherAlphabet(there.text, Rewriting::Keyboard).text, text);
  }
}

TEST(WrongAlphabetTest, LettersOfEachScript) {
  EXPECT_EQ(ScriptOf(u'a'), Script::Latin);
  EXPECT_EQ(ScriptOf(u'ß'), Script::Latin);
  EXPECT_EQ(ScriptOf(u'ě'), Script::Latin);
  EXPECT_EQ(ScriptOf(u'×'), Script::None);
  EXPECT_EQ(ScriptOf(u'#'), Script::None);
  EXPECT_EQ(ScriptOf(u'ж'), Script::Cyrillic);
  EXPECT_EQ(ScriptOf(u'Ё'), Script::Cyrillic);
}

}  // namespace
