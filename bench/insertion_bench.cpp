// The keyboard records of one insertion: a text of 1,000 characters (some of
// them surrogate pairs) turned into the records of the single SendInput call.
#if __has_include("mainwindow/insertion.h")
#include <benchmark/benchmark.h>

#include "bench/bench_data.h"
#include "mainwindow/insertion.h"
#include "table/code_notation.h"

namespace gw::bench {
namespace {

Text ThousandCharacters() {
  Text text;
  size_t characters = 0;
  for (const CharacterEntry& entry : MakeEntries(1000)) {
    for (char16_t unit : CharactersFromCodeText(entry.code_text)) {
      // Stop before a unit that would begin the 1,001st character.
      if (!IsLowSurrogate(unit)) {
        if (characters == 1000) return text;
        ++characters;
      }
      text.push_back(unit);
    }
  }
  return text;
}

void BM_UnicodeKeyRecords(benchmark::State& state) {
  const Text text = ThousandCharacters();
  for (auto _ : state) {
    std::vector<KeyRecord> records = UnicodeKeyRecords(text);
    benchmark::DoNotOptimize(records.data());
    if (records.size() != 2 * text.size()) {
      state.SkipWithError("not two records per unit");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(CountCharacters(text)));
  state.counters["units"] = static_cast<double>(text.size());
}
BENCHMARK(BM_UnicodeKeyRecords)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace gw::bench
#endif
