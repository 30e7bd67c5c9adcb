// Start-up reads: the settings file and a full language file.
#include <benchmark/benchmark.h>

#include "base/platform.h"
#include "bench/bench_data.h"
#include "settings/language.h"
#include "settings/settings.h"

namespace gw::bench {
namespace {

void BM_LoadSettings(benchmark::State& state) {
  ScratchFolder folder;
  const Text path = folder.File(u"Glyphwell.ini");
  if (!folder.Ok() || !WriteWholeFile(path, MakeSettingsFile())) {
    state.SkipWithError("the settings file could not be written");
    return;
  }
  Settings settings;
  for (auto _ : state) {
    const bool opened = LoadSettings(path, settings);
    benchmark::DoNotOptimize(opened);
    if (!opened || settings.Language != u"Deutsch") {
      state.SkipWithError("the settings file did not load");
      break;
    }
  }
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMicrosecond);

void BM_LoadLanguageFile(benchmark::State& state) {
  ScratchFolder folder;
  const Text program_folder = folder.Path();
  if (!folder.Ok() || !CreateOneDirectory(LanguageFolder(program_folder)) ||
      !WriteWholeFile(LanguageFilePath(program_folder, u"English"), MakeLanguageFile())) {
    state.SkipWithError("the language file could not be written");
    return;
  }
  LanguageTable reference;
  LoadBuiltInTable(reference);
  LanguageTable table;
  for (auto _ : state) {
    LanguageLoadResult result = LoadLanguageFile(table, program_folder, u"English", false);
    benchmark::DoNotOptimize(result);
    // Every built-in section plus "Version check".
    if (result.status != LanguageLoadStatus::Loaded ||
        table.sections.size() != reference.sections.size() + 1) {
      state.SkipWithError("the language file did not load");
      break;
    }
  }
}
BENCHMARK(BM_LoadLanguageFile)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace gw::bench
