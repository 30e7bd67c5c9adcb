// Find in a table of 10,000 entries: reading the name file, the first search
// (every row's search text made, the names looked up), and a search over the
// rows whose search texts are made already, which is what a key costs when
// it does not only add to the text before (Backspace, say).
#include <benchmark/benchmark.h>

#include <string>

#include "base/platform.h"
#include "bench/bench_data.h"
#include "mainwindow/find.h"
#include "table/character_names.h"

namespace gw::bench {
namespace {

struct FindData {
  std::string file;
  CharacterNames names;
  CharacterTable table;
  bool ok = false;

  FindData() {
    ok = ReadWholeFile(AsciiToText(GW_NAMES_FILE), file) == ReadResult::Ok && names.Load(file);
    table.BuildRowsFromRecords(MakeEntries(kLargeTableEntries));
  }
};

const FindData& Data(benchmark::State& state) {
  static const FindData data;
  if (!data.ok) state.SkipWithError("the name file " GW_NAMES_FILE " could not be read");
  return data;
}

void BM_LoadCharacterNames(benchmark::State& state) {
  const FindData& data = Data(state);
  for (auto _ : state) {
    CharacterNames names;
    benchmark::DoNotOptimize(names.Load(data.file));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.file.size()));
}
BENCHMARK(BM_LoadCharacterNames)->Unit(benchmark::kMillisecond);

void BM_FindFirstSearch10k(benchmark::State& state) {
  const FindData& data = Data(state);
  for (auto _ : state) {
    RowFinder finder;
    benchmark::DoNotOptimize(finder.Search(data.table, &data.names, u"g"));
  }
  state.SetItemsProcessed(state.iterations() * kLargeTableEntries);
}
BENCHMARK(BM_FindFirstSearch10k)->Unit(benchmark::kMillisecond);

void BM_FindSearchAgain10k(benchmark::State& state) {
  const FindData& data = Data(state);
  RowFinder finder;
  finder.Search(data.table, &data.names, u"g");
  bool which = false;
  for (auto _ : state) {
    which = !which;
    benchmark::DoNotOptimize(finder.Search(data.table, &data.names, which ? u"letter" : u"small"));
  }
  state.SetItemsProcessed(state.iterations() * kLargeTableEntries);
}
BENCHMARK(BM_FindSearchAgain10k)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace gw::bench
