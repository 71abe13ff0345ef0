// korvel-convert --fix-alphabet gives each line as the detector fixes it,
// the rest byte for byte, whatever the pieces the text arrives in.
#include "line_fixer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "alphabet_detector.h"
#include "utf8.h"
#include "utf8_decoder.h"

namespace {

std::string Fed(LineFixer& fixer, const std::string& text, std::mt19937& random) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t size = std::uniform_int_distribution<std::size_t>(1, 9)(random);
    EXPECT_TRUE(fixer.Convert(std::string_view(text).substr(at, size)));
    out += fixer.Output();
    at += size;
  }
  EXPECT_TRUE(fixer.EndInput());
  return out;
}

TEST(LineFixerTest, EachLineAsTheDetectorFixesItInAnyPieces) {
  const std::string lines[] = {
      "Privet, kak dela? X #du tebx",     "Гутен Таг, юие гехт ес",          "Schon gut, ça va", "",
      "ich tippe privet kak dela u tebx", "\xF0\x9F\x98\x80 Privet kak dela"};
  std::string text;
  std::string expected;
  for (const std::string& line : lines) {
    std::u16string units;
    Utf8Decoder decoder;
    ASSERT_TRUE(decoder.Decode(line, units));
    text += line + "\r\n";
    expected += Utf8(FixAlphabetInLine(units)) + "\r\n";
  }
  text += "no line end: privet kak dela";
  expected += "no line end: привет как дела";
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    LineFixer fixer;
    std::string out = Fed(fixer, text, random);
    fixer.Finish();
    out += fixer.Output();
    EXPECT_EQ(out, expected);
  }
}

TEST(LineFixerTest, ALineGoesOnInTheNextInputAndInvalidUtf8IsNamed) {
  LineFixer fixer;
  std::mt19937 random(1);
  std::string out = Fed(fixer, "Hallo\nprivet kak ", random);
  out += Fed(fixer, "dela u tebx\n", random);
  EXPECT_EQ(out, "Hallo\nпривет как дела у тебя\n");
  EXPECT_FALSE(fixer.Convert("ok\n\xC3("));
  EXPECT_EQ(fixer.ErrorOffset(), 3u) << "counted from the input's own start";
}

}  // namespace
