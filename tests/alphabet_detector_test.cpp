#include "alphabet_detector.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(AlphabetDetectorTest, RunsTypedInTheWrongAlphabetComeBackEachWay) {
  // Russian typed with Korvel off.
  EXPECT_EQ(FixAlphabetInLine(u"Privet, kak dela? X #du tebx"), u"Привет, как дела? Я жду тебя");
  EXPECT_EQ(FixAlphabetInLine(u"Privet kak dela u tebx"), u"Привет как дела у тебя");
  // German and English typed with Korvel on.
  EXPECT_EQ(FixAlphabetInLine(u"Гутен Таг, юие гехт ес"), u"Guten Tag, wie geht es");
  EXPECT_EQ(FixAlphabetInLine(u"Ицх юохне хиер ин дер Стадт унд арбеите виел"),
            u"Ich wohne hier in der Stadt und arbeite viel");
  EXPECT_EQ(FixAlphabetInLine(u"Хелло, хою аре ыоу тодаы"), u"Hello, how are you today");
  // A run that starts right and turns wrong: only the wrong words change.
  EXPECT_EQ(FixAlphabetInLine(u"Ich wohne hier, privet kak dela u tebx"), u"Ich wohne hier, привет как дела у тебя");
}

TEST(AlphabetDetectorTest, TextInTheRightAlphabetAndWordsThatReadBothWaysStay) {
  for (const std::u16string line : {u"Привет, как дела? Я жду тебя", u"Guten Tag, wie geht es",
                                    u"Hello, how are you today", u"мир да он", u"mir da on", u"mir", u"да"}) {
    EXPECT_EQ(FixAlphabetInLine(line), line);
  }
  // One word of the other language in its sentence, in either alphabet.
  for (const std::u16string line : {u"Ich sage immer privet zu ihm", u"Я живу в Berlin уже давно",
                                    u"Das nennt man schtschi und so", u"Мы ели Apfelstrudel вчера"}) {
    EXPECT_EQ(FixAlphabetInLine(line), line);
  }
}

TEST(AlphabetDetectorTest, WordsThatAreNoWordsAreNeverTouched) {
  // Inside a run that is fixed, each stays as it was typed.
  const std::u16string kept[] = {
      u"2day", u"www.example.com", u"ivan@example.com", u"/usr/bin",  u"C:\\tmp",    u"iPhone", u"NASA", u"C++",
      u"C#",   u"#Berlin",         u"Приvet",           u"README.md", u"snake_case", u"-v"};
  for (const std::u16string& word : kept) {
    EXPECT_EQ(FixAlphabetInLine(u"privet kak dela " + word + u" u tebx"), u"привет как дела " + word + u" у тебя")
        << std::string(word.begin(), word.end());
    EXPECT_FALSE(JudgeRun(u"privet kak dela " + word)) << "never decides on it";
  }
}

TEST(AlphabetDetectorTest, JudgeRunNamesWhatChangesAndHonoursWordsLeftAlone) {
  const auto fix = JudgeRun(u"Ich sage: privet kak dela ");
  ASSERT_TRUE(fix);
  EXPECT_EQ(fix->begin, 10u);
  EXPECT_EQ(fix->text, u"привет как дела ");
  EXPECT_TRUE(fix->cyrillic);
  const auto back = JudgeRun(u"Гутен Таг, юие гехт");
  ASSERT_TRUE(back);
  EXPECT_EQ(back->begin, 0u);
  EXPECT_EQ(back->text, u"Guten Tag, wie geht") << "the capitalised words before go with the run";
  // An editor's line ends in a no-break space, which it keeps.
  EXPECT_EQ(JudgeRun(u"Гутен Таг юие\u00A0")->text, u"Guten Tag wie\u00A0");
  EXPECT_FALSE(back->cyrillic);
  // A word taken back once: never fixed again, nor the words before it with it.
  EXPECT_FALSE(JudgeRun(u"privet kak dela", {u"DELA"}));
  EXPECT_EQ(FixAlphabetInLine(u"privet kak dela", {u"kak"}), u"privet kak dela");
  // A single short word never decides alone.
  EXPECT_FALSE(JudgeRun(u"kak"));
  EXPECT_FALSE(JudgeRun(u""));
}

}  // namespace
