// Speed of the transcription core: one keystroke lookup, and whole-text
// conversions of a full editor (65,535 units) of Russian prose in lines.
#include "keyboard_table.h"
#include "text_converters.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr std::size_t kEditorUnits = 65535;

const char16_t kRussianProse[] =
    u"Утром над рекой стоял густой туман, и лодки рыбаков едва виднелись у берега.\n"
    u"Старый мельник вышел на крыльцо, посмотрел на небо и сказал, что к обеду прояснится.\n"
    u"Дети бежали в школу через поле, где ещё блестела роса на высокой траве.\n"
    u"В деревне пахло свежим хлебом, и щенок у калитки лаял на каждого прохожего.\n"
    u"Вечером все собрались у самовара, пили чай с вареньем и слушали длинные истории.\n";

std::u16string RussianText() {
  std::u16string text;
  while (text.size() < kEditorUnits) text += kRussianProse;
  text.resize(kEditorUnits);
  return text;
}

void SetPerUnitCounters(benchmark::State& state, std::size_t units) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * units));
  state.counters["ns_per_unit"] = benchmark::Counter(
      static_cast<double>(units), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_TranscribeKey(benchmark::State& state) {
  EnsureKeyboardTable();
  // What a user types: the Latin spelling of the prose, as keystrokes.
  const std::u16string keys = CyrillicToLatin(RussianText());
  std::size_t next = 0;
  for (auto _ : state) {
    TranscribeKey(keys[next]);
    benchmark::DoNotOptimize(LookupResult.data());
    next = next + 1 == keys.size() ? 0 : next + 1;
  }
  SetPerUnitCounters(state, 1);
}
BENCHMARK(BM_TranscribeKey);

void BM_CyrillicToLatin(benchmark::State& state) {
  const std::u16string text = RussianText();
  for (auto _ : state) {
    std::u16string output = CyrillicToLatin(text.c_str());
    benchmark::DoNotOptimize(output.data());
  }
  SetPerUnitCounters(state, text.size());
}
BENCHMARK(BM_CyrillicToLatin)->Unit(benchmark::kMicrosecond);

void BM_LatinToCyrillic(benchmark::State& state) {
  std::u16string text = CyrillicToLatin(RussianText());
  text.resize(kEditorUnits);
  for (auto _ : state) {
    std::u16string output = LatinToCyrillic(text.c_str());
    benchmark::DoNotOptimize(output.data());
  }
  SetPerUnitCounters(state, text.size());
}
BENCHMARK(BM_LatinToCyrillic)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
