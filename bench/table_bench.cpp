// The character file and the table: parsing and writing 10,000 entries (in
// memory and through the file), building the rows with their trigger index,
// and trigger lookups.
#include <benchmark/benchmark.h>

#include <optional>
#include <string>
#include <vector>

#include "base/platform.h"
#include "bench/bench_data.h"
#include "table/character_file.h"
#include "table/character_table.h"

namespace gw::bench {
namespace {

struct LargeTable {
  std::vector<CharacterEntry> records = MakeEntries(kLargeTableEntries);
  std::string bytes = SerializeCharacterEntries(records);
  CharacterTable table;
  ScratchFolder folder;
  Text read_path = folder.File(u"Characters.json");
  bool ok = false;

  LargeTable() {
    table.BuildRowsFromRecords(records);
    ok = folder.Ok() && WriteWholeFile(read_path, bytes);
  }
};

const LargeTable& Large() {
  static const LargeTable data;
  return data;
}

bool Usable(benchmark::State& state, const LargeTable& data) {
  if (!data.ok) {
    state.SkipWithError("the scratch folder or the character file could not be made");
    return false;
  }
  return true;
}

void SetCounters(benchmark::State& state, const LargeTable& data) {
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(data.records.size()));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.bytes.size()));
}

void BM_ParseCharacterFile(benchmark::State& state) {
  const LargeTable& data = Large();
  std::vector<CharacterEntry> records;
  for (auto _ : state) {
    const bool parsed = ParseCharacterFile(data.bytes, records);
    benchmark::DoNotOptimize(parsed);
    if (!parsed || records.size() != data.records.size()) {
      state.SkipWithError("the generated file did not parse");
      break;
    }
  }
  SetCounters(state, data);
}
BENCHMARK(BM_ParseCharacterFile)->Unit(benchmark::kMillisecond);

void BM_ReadCharacterFile(benchmark::State& state) {
  const LargeTable& data = Large();
  if (!Usable(state, data)) return;
  std::vector<CharacterEntry> records;
  for (auto _ : state) {
    const bool read = ReadCharacterFile(data.read_path, records);
    benchmark::DoNotOptimize(read);
    if (!read || records.size() != data.records.size()) {
      state.SkipWithError("the character file could not be read");
      break;
    }
  }
  SetCounters(state, data);
}
BENCHMARK(BM_ReadCharacterFile)->Unit(benchmark::kMillisecond);

void BM_SerializeCharacterFile(benchmark::State& state) {
  const LargeTable& data = Large();
  for (auto _ : state) {
    std::string bytes = SerializeCharacterFile(data.table);
    benchmark::DoNotOptimize(bytes.data());
    if (bytes.size() != data.bytes.size()) {
      state.SkipWithError("the table did not serialize to the file it came from");
      break;
    }
  }
  SetCounters(state, data);
}
BENCHMARK(BM_SerializeCharacterFile)->Unit(benchmark::kMillisecond);

// Includes the atomic replacement: temporary file, flush to disk, rename.
// `base` is the folder to write in: the system's temporary folder (nullptr)
// or a memory file system, where the flush costs nothing, to show the
// program's own share.
void BM_WriteCharacterFile(benchmark::State& state, const char* base) {
  const LargeTable& data = Large();
  ScratchFolder folder(base);
  if (!folder.Ok()) {
    state.SkipWithError("no scratch folder there");
    return;
  }
  const Text path = folder.File(u"Characters.json");
  for (auto _ : state) {
    if (!WriteCharacterFile(data.table, path, -1)) {
      state.SkipWithError("the character file could not be written");
      break;
    }
  }
  SetCounters(state, data);
}
BENCHMARK_CAPTURE(BM_WriteCharacterFile, tmpdir, nullptr)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK_CAPTURE(BM_WriteCharacterFile, devshm, "/dev/shm")
    ->Unit(benchmark::kMillisecond)->UseRealTime();

// Start-up: a new table from the records read.
void BM_BuildRowsFromRecords(benchmark::State& state) {
  const LargeTable& data = Large();
  std::optional<CharacterTable> table;
  for (auto _ : state) {
    table.emplace();
    table->BuildRowsFromRecords(data.records);
    benchmark::DoNotOptimize(table->RowCount());
    state.PauseTiming();
    table.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(data.records.size()));
}
BENCHMARK(BM_BuildRowsFromRecords)->Unit(benchmark::kMillisecond);

// Reread: the rows of the live table replaced by the records read.
void BM_RebuildRowsFromRecords(benchmark::State& state) {
  const LargeTable& data = Large();
  CharacterTable table;
  table.BuildRowsFromRecords(data.records);
  for (auto _ : state) {
    table.BuildRowsFromRecords(data.records);
    benchmark::DoNotOptimize(table.RowCount());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(data.records.size()));
}
BENCHMARK(BM_RebuildRowsFromRecords)->Unit(benchmark::kMillisecond);

// The lookups of typed trigger keys, one-unit texts as the list's filter
// makes them. `hit` picks triggers of the table, otherwise units that are none.
void TriggerLookup(benchmark::State& state, bool hit) {
  const LargeTable& data = Large();
  std::vector<Text> keys;
  if (hit) {
    for (size_t i = 0; i < data.records.size() && keys.size() < 1000; i += 7)
      if (!data.records[i].trigger.empty()) keys.push_back(data.records[i].trigger);
  } else {
    keys = MissingTriggers(data.records, 1000);
  }
  const TriggerIndex& index = data.table.Triggers();
  for (auto _ : state) {
    int found = 0;
    for (const Text& key : keys) found += index.Find(key) >= 0;
    benchmark::DoNotOptimize(found);
    if (found != (hit ? static_cast<int>(keys.size()) : 0)) {
      state.SkipWithError("a lookup gave the wrong answer");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}

void BM_TriggerLookupHit(benchmark::State& state) { TriggerLookup(state, true); }
void BM_TriggerLookupMiss(benchmark::State& state) { TriggerLookup(state, false); }
BENCHMARK(BM_TriggerLookupHit);
BENCHMARK(BM_TriggerLookupMiss);

}  // namespace
}  // namespace gw::bench
