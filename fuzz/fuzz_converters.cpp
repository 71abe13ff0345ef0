// Fuzzes the whole-text converters and their use in pieces. The input's
// bytes are taken as UTF-16 units, so any unit can occur; taken as UTF-8,
// valid or not, they go through korvel-convert's direct path, which must
// agree with the UTF-16 reference, its vector code (each instruction set in
// turn) with its byte-by-byte code.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "vector_conversion.h"
#include "conversion_runs.h"
#include "hwy/targets.h"
#include "stream_conversion.h"
#include "text_converters.h"

namespace {

void Check(bool holds) {
  if (!holds) std::abort();
}

// Letters that come back unchanged from Latin: everything the Cyrillic
// alphabet maps one to one, and Х х Ш ш Ч ч Ж ж ь ъ, but no space.
const std::u16string kRoundTripLetters = u"АБВГДЕЗИЙКЛМНОПРСТУФЦЫабвгдезийклмнопрстуфцыХхШшЧчЖжьъ0123456789.,!?\r\n";

// korvel-convert splits pieces from 128 KiB up; fuzzing inputs stay far
// smaller, so here every piece of a few bytes is split.
constexpr std::size_t kParallelBytes = 4;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t units = (size - 1) / 2;
  // An exactly sized, zero-terminated copy: a read past the terminator is
  // caught by the sanitizer.
  auto text = std::make_unique<char16_t[]>(units + 1);
  std::memcpy(text.get(), data + 1, units * 2);
  text[units] = 0;
  const std::u16string_view whole(text.get(), units);
  const std::u16string_view upToZero(text.get());

  for (auto convert : {static_cast<std::u16string (*)(const char16_t*)>(CyrillicToLatin),
                       static_cast<std::u16string (*)(const char16_t*)>(LatinToCyrillic)}) {
    const std::u16string out = convert(text.get());
    Check(out.size() <= 2 * upToZero.size());
    Check(out.empty() == upToZero.empty());
  }
  for (auto convert : {static_cast<std::u16string (*)(std::u16string_view)>(CyrillicToLatin),
                       static_cast<std::u16string (*)(std::u16string_view)>(LatinToCyrillic)}) {
    const std::u16string out = convert(whole);
    Check(out.size() <= 2 * whole.size());
    Check(out.empty() == whole.empty());
  }

  // In two pieces cut where the first byte says: the same as whole.
  const std::size_t cut = units == 0 ? 0 : data[0] % (units + 1);
  for (const ConversionMode mode :
       {ConversionMode::ToLatin, ConversionMode::ToCyrillic, ConversionMode::Keyboard, ConversionMode::ToKeys}) {
    StreamConversion conversion(mode);
    std::u16string out;
    conversion.Convert(whole.substr(0, cut), out);
    conversion.Convert(whole.substr(cut), out);
    conversion.Finish(out);
    Check(out == ConvertWhole(mode, whole));
  }

  // The same bytes as UTF-8, in two pieces and as two inputs; pieces split
  // in halves from a few bytes up, so that fuzzing reaches the split.
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t byteCut = data[0] % size;
  // One converter per mode for every input, so that its second thread is
  // started once.
  static Utf8Converter converters[] = {
      Utf8Converter(ConversionMode::ToLatin, kParallelBytes), Utf8Converter(ConversionMode::ToCyrillic, kParallelBytes),
      Utf8Converter(ConversionMode::Keyboard, kParallelBytes), Utf8Converter(ConversionMode::ToKeys, kParallelBytes)};
  const ConversionMode modes[] = {ConversionMode::ToLatin, ConversionMode::ToCyrillic, ConversionMode::Keyboard,
                                  ConversionMode::ToKeys};
  static const std::vector<std::int64_t> targets = hwy::SupportedAndGeneratedTargets();
  hwy::SetSupportedTargetsForTest(targets[data[0] % targets.size()]);
  for (int i = 0; i < 4; ++i) {
    const ConversionMode mode = modes[i];
    Utf8Converter& converter = converters[i];
    const PiecedInputs pieces{{bytes.substr(0, byteCut), bytes.substr(byteCut)}};
    const ConversionRun vector = DirectRun(converter, pieces);
    UseVectorCode(false);
    const ConversionRun byteByByte = DirectRun(converter, pieces);
    UseVectorCode(true);
    Check(vector == byteByByte);
    Check(vector == ReferenceRun(mode, pieces));
    const PiecedInputs inputs{{bytes.substr(0, byteCut)}, {bytes.substr(byteCut)}};
    Check(DirectRun(converter, inputs) == ReferenceRun(mode, inputs));
  }

  // Round trip through Latin on the letters that survive it.
  std::u16string letters;
  for (std::size_t i = 1; i < size; ++i) letters.push_back(kRoundTripLetters[data[i] % kRoundTripLetters.size()]);
  Check(LatinToCyrillic(CyrillicToLatin(letters)) == letters);
  return 0;
}
