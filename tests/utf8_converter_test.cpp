// The direct UTF-8 path gives what the UTF-16 reference gives: every scalar
// value, every cut through digraphs and sequences, random texts, and every
// invalid sequence at the same offset; with the vector code of each
// instruction set this processor runs, forced one at a time, and without it.
#include <gtest/gtest.h>

#include "vector_conversion.h"
#include "hwy/targets.h"

#include <random>
#include <string>
#include <vector>

#include "conversion_runs.h"

namespace {

constexpr ConversionMode kModes[] = {ConversionMode::ToLatin, ConversionMode::ToCyrillic, ConversionMode::Keyboard,
                                     ConversionMode::ToKeys};

std::string Utf8Of(char32_t codePoint) {
  std::u16string units;
  if (codePoint < 0x10000) {
    units.push_back(static_cast<char16_t>(codePoint));
  } else {
    units.push_back(static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10)));
    units.push_back(static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF)));
  }
  std::string bytes;
  AppendUtf8(units, bytes);
  return bytes;
}

// A target of Highway's, or 0 for the byte-by-byte code alone.
class Utf8ConverterTest : public ::testing::TestWithParam<std::int64_t> {
 protected:
  void SetUp() override {
    UseVectorCode(GetParam() != 0);
    hwy::SetSupportedTargetsForTest(GetParam());
  }
  void TearDown() override {
    hwy::SetSupportedTargetsForTest(0);
    UseVectorCode(true);
  }
};

std::vector<std::int64_t> TargetsToTry() {
  std::vector<std::int64_t> targets = hwy::SupportedAndGeneratedTargets();
  targets.push_back(0);
  return targets;
}

INSTANTIATE_TEST_SUITE_P(Targets, Utf8ConverterTest, ::testing::ValuesIn(TargetsToTry()),
                         [](const ::testing::TestParamInfo<std::int64_t>& info) {
                           return std::string(info.param == 0 ? "ByteByByte" : hwy::TargetName(info.param));
                         });

// Long enough for the vector code, which wants a vector's bytes and more.
const std::string kAsciiRun = "Privet mir, kak dela? 0123456789 #'+* Chata ch xorosho i Ja! ";

void ExpectSameRun(ConversionMode mode, const PiecedInputs& inputs, const std::string& what) {
  const ConversionRun reference = ReferenceRun(mode, inputs);
  const ConversionRun direct = DirectRun(mode, inputs);
  ASSERT_TRUE(direct == reference) << what << ", mode " << static_cast<int>(mode) << "\n  direct:    valid "
                                   << direct.valid << " offset " << direct.errorOffset << " output " << direct.output
                                   << "\n  reference: valid " << reference.valid << " offset " << reference.errorOffset
                                   << " output " << reference.output;
}

// The sweeps over every scalar value are brute force, held apart from the
// other tests (their names start with Sweep) so that the sanitizer builds,
// which look for memory faults rather than wrong bytes, can leave them out.

// One character alone is shorter than any vector: the byte-by-byte code
// alone meets it, so the sweep runs once, without the vector code.
TEST(Utf8ConverterSweep, SweepEveryScalarValueAlone) {
  UseVectorCode(false);
  for (const ConversionMode mode : kModes) {
    for (char32_t codePoint = 0; codePoint <= 0x10FFFF; ++codePoint) {
      if (codePoint >= 0xD800 && codePoint <= 0xDFFF) continue;
      const std::string character = Utf8Of(codePoint);
      ASSERT_EQ(DirectRun(mode, {{character}}).output, ReferenceRun(mode, {{character}}).output)
          << "U+" << std::hex << static_cast<unsigned long>(codePoint) << ", mode " << static_cast<int>(mode);
    }
  }
  UseVectorCode(true);
}

// Every scalar value inside runs long enough for each target's vector code:
// between the letters of "Ch" and "ch", and after a whole digraph.
TEST_P(Utf8ConverterTest, SweepEveryScalarValueAmongDigraphLettersInLongRuns) {
  for (const ConversionMode mode : kModes) {
    std::string block;
    for (char32_t codePoint = 0; codePoint <= 0x10FFFF; ++codePoint) {
      if (codePoint >= 0xD800 && codePoint <= 0xDFFF) continue;
      const std::string character = Utf8Of(codePoint);
      block += "C" + character + "h" + "c" + character + "Ch" + character;
      if (block.size() > 60000 || codePoint == 0x10FFFF) {
        ExpectSameRun(mode, {{block}}, "block ending at U+" + std::to_string(codePoint));
        block.clear();
      }
    }
  }
}

TEST_P(Utf8ConverterTest, EveryCutThroughDigraphsAndSequencesGivesTheWholeResult) {
  const std::string texts[] = {
      "Chata chChcH CCh Cch C",
      "c\xC3\xA9h C\xF0\x9F\x98\x80h \xD0\xA9\xD1\x83\xD0\xBA\xD0\xB0 \xE2\x82\xAC \xC4\x9A\xC4\x9B #'+*",
      std::string("Ch\0h\0C", 7),
      "ok\xE2\x82",  // ends inside a character
      "a\xE0\x80\xAF"
      "b",                  // overlong
      "C\xED\xA0\x80",      // a surrogate
      "x\xF4\x90\x80\x80",  // above U+10FFFF
      "\xD0"
      "a C",                                                        // a missing continuation
      "Cc\x80",                                                     // a stray continuation
      kAsciiRun + "C" + kAsciiRun + "\xD0\xA9" + kAsciiRun + "Ch",  // digraphs where the vector code stops
  };
  for (const std::string& text : texts) {
    for (const ConversionMode mode : kModes) {
      for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        const std::string_view whole(text);
        ExpectSameRun(mode, {{whole.substr(0, cut), whole.substr(cut)}}, "cut at " + std::to_string(cut));
        // The same cut between two inputs: offsets restart, a held letter does not.
        ExpectSameRun(mode, {{whole.substr(0, cut)}, {whole.substr(cut)}}, "inputs cut at " + std::to_string(cut));
      }
      std::vector<std::string_view> bytes;
      for (std::size_t i = 0; i < text.size(); ++i) bytes.push_back(std::string_view(text).substr(i, 1));
      ExpectSameRun(mode, {bytes}, "one byte a piece");
    }
  }
}

TEST_P(Utf8ConverterTest, RandomTextsInRandomPiecesAgree) {
  std::mt19937 random(20261208);
  const std::vector<std::string> atoms = {"C",
                                          "c",
                                          "h",
                                          "H",
                                          " ",
                                          "\r\n",
                                          "I",
                                          "#",
                                          "\xD0\xA9",
                                          "\xD1\x85",
                                          "\xD1\x8F",
                                          "\xC5\xA1",
                                          "\xC4\x9B",
                                          "\xCB\x87",
                                          "\xE2\x82\xAC",
                                          "\xF0\x9F\x98\x80",
                                          std::string(1, '\0'),
                                          kAsciiRun,
                                          "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",
                                          "\xFF",
                                          "\x80",
                                          "\xE2\x82"};
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    const bool mayBeInvalid = round % 4 == 0;
    const std::size_t atomCount = mayBeInvalid ? atoms.size() : atoms.size() - 3;
    for (std::size_t n = random() % 40; n > 0; --n) text += atoms[random() % atomCount];
    std::vector<std::string_view> pieces;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t length = 1 + random() % 9;
      pieces.push_back(std::string_view(text).substr(at, length));
      at += length;
    }
    for (const ConversionMode mode : kModes) {
      ExpectSameRun(mode, {pieces}, "round " + std::to_string(round));
      ExpectSameRun(mode, {{text}}, "round " + std::to_string(round) + " in one piece");
      if (HasFatalFailure()) return;
    }
  }
}

TEST_P(Utf8ConverterTest, InvalidBytesAtEveryPositionFailWithTheSameOffset) {
  const std::string sample =
      "Privet, \xD0\x9C\xD0\xB8\xD1\x80! Chata \xE2\x82\xAC \xF0\x9F\x98\x80 c" + kAsciiRun + kAsciiRun;
  const std::string faults[] = {"\xFF",     "\x80", "\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                "\xE2\x82", "\xC3"};
  for (const std::string& fault : faults) {
    for (std::size_t at = 0; at <= sample.size(); ++at) {
      const std::string text = sample.substr(0, at) + fault + sample.substr(at);
      const std::string_view whole(text);
      for (const ConversionMode mode : kModes) {
        ExpectSameRun(mode, {{whole}}, "fault at " + std::to_string(at));
        ExpectSameRun(mode, {{whole.substr(0, at + 1), whole.substr(at + 1)}}, "fault at " + std::to_string(at));
      }
    }
  }
}

TEST_P(Utf8ConverterTest, LargePiecesConvertedInTwoHalvesAgree) {
  // Pieces this large are cut in two and converted at once: the cut must not
  // show in the output, nor change which failure is reported.
  std::mt19937 random(4242);
  const std::string atoms[] = {
      "Ch", "c", "h", " ", "x", "\xD0\xA9", "\xD1\x85", "\xC4\x9B", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"};
  std::string text;
  while (text.size() < 600 * 1024) text += atoms[random() % std::size(atoms)];
  text += "C";  // held back to the end
  for (const ConversionMode mode : kModes) {
    ExpectSameRun(mode, {{text}}, "whole");
    ExpectSameRun(mode, {{std::string_view(text).substr(0, 300 * 1024), std::string_view(text).substr(300 * 1024)}},
                  "two pieces");
  }
  const std::size_t middle = text.size() / 2;
  for (const std::vector<std::size_t>& faults : std::vector<std::vector<std::size_t>>{
           {10}, {middle + 5000}, {middle - 3}, {middle + 1}, {100, middle + 5000}, {text.size() - 2}}) {
    std::string broken = text;
    for (const std::size_t at : faults) broken[at] = '\xFF';
    for (const ConversionMode mode : kModes) {
      ExpectSameRun(mode, {{broken}}, "fault at " + std::to_string(faults.back()));
    }
  }
}

}  // namespace
