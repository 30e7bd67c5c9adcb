// Finding the rule for the window in front: fifty rules from the file, a
// program without a rule of its own (every rule and the built-in ones are
// looked at) and a console window.
#include <benchmark/benchmark.h>

#include "settings/program_rules.h"

namespace gw::bench {
namespace {

ProgramRules FiftyRules() {
  ProgramRules rules;
  for (int i = 0; i < 50; ++i)
    rules.rules.push_back({u"Program" + NumberText(i) + u".exe",
                           i % 2 ? InsertMethod::Paste : InsertMethod::Type, i % 3 == 0});
  return rules;
}

void BM_FindProgramRule(benchmark::State& state) {
  const ProgramRules rules = FiftyRules();
  const Text executable = u"C:\\Program Files\\Microsoft Visual Studio\\2022\\Common7\\IDE\\DEVENV.EXE";
  for (auto _ : state) {
    auto rule = FindProgramRule(rules, executable, u"HwndWrapper[DefaultDomain;;1]");
    benchmark::DoNotOptimize(rule);
    auto console = FindProgramRule(rules, u"C:\\Windows\\System32\\cmd.exe", u"ConsoleWindowClass");
    benchmark::DoNotOptimize(console);
    if (rule || !console) {
      state.SkipWithError("wrong rule");
      break;
    }
  }
}
BENCHMARK(BM_FindProgramRule)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace gw::bench
