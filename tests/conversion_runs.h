// A whole korvel-convert run over inputs that arrive in pieces, done twice:
// through the UTF-16 reference (decode, the core's conversion, encode) and
// through the direct UTF-8 path. Both must agree on every byte written before
// a failure, on the failure's offset and on its kind. Shared by the tests and
// the fuzz target.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "stream_conversion.h"
#include "utf8.h"
#include "utf8_decoder.h"
#include "utf8_converter.h"

struct ConversionRun {
  std::string output;  // what reached the output before the run ended
  bool valid = true;
  std::uint64_t errorOffset = 0;
  bool endedInsideCharacter = false;

  bool operator==(const ConversionRun& other) const {
    return output == other.output && valid == other.valid && errorOffset == other.errorOffset &&
           endedInsideCharacter == other.endedInsideCharacter;
  }
};

// Each input is a list of pieces; the inputs are one text.
using PiecedInputs = std::vector<std::vector<std::string_view>>;

inline ConversionRun ReferenceRun(ConversionMode mode, const PiecedInputs& inputs) {
  ConversionRun run;
  StreamConversion conversion(mode);
  for (const auto& pieces : inputs) {
    Utf8Decoder decoder;
    for (const std::string_view piece : pieces) {
      std::u16string decoded;
      if (!decoder.Decode(piece, decoded)) {
        run.valid = false;
        run.errorOffset = decoder.ErrorOffset();
        return run;
      }
      std::u16string converted;
      conversion.Convert(decoded, converted);
      AppendUtf8(converted, run.output);
    }
    if (!decoder.Finish()) {
      run.valid = false;
      run.errorOffset = decoder.ErrorOffset();
      run.endedInsideCharacter = true;
      return run;
    }
  }
  std::u16string rest;
  conversion.Finish(rest);
  AppendUtf8(rest, run.output);
  return run;
}

// Ends with the converter's Finish, so that one converter serves many runs.
inline ConversionRun DirectRun(Utf8Converter& converter, const PiecedInputs& inputs) {
  ConversionRun run;
  const auto fail = [&run, &converter](bool endedInsideCharacter) {
    run.valid = false;
    run.errorOffset = converter.ErrorOffset();
    run.endedInsideCharacter = endedInsideCharacter;
    converter.Finish();
    return run;
  };
  for (const auto& pieces : inputs) {
    for (const std::string_view piece : pieces) {
      if (!converter.Convert(piece)) return fail(false);
      run.output += converter.Output();
    }
    if (!converter.EndInput()) return fail(true);
  }
  converter.Finish();
  run.output += converter.Output();
  return run;
}

// `parallelBytes`: pieces from this size up are converted in two halves.
inline ConversionRun DirectRun(ConversionMode mode, const PiecedInputs& inputs,
                               std::size_t parallelBytes = Utf8Converter::kDefaultParallelBytes) {
  Utf8Converter converter(mode, parallelBytes);
  return DirectRun(converter, inputs);
}
