// The code-notation conversions, reported per "\u" field (one field is one
// character): each iteration converts the code texts of 1,000 entries.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/bench_data.h"
#include "table/code_notation.h"

namespace gw::bench {
namespace {

struct CodeTexts {
  std::vector<Text> code_texts;
  std::vector<Text> characters;  // the characters of each code text
  int64_t fields = 0;

  CodeTexts() {
    for (CharacterEntry& entry : MakeEntries(1000)) {
      fields += static_cast<int64_t>(CountFields(entry.code_text));
      characters.push_back(CharactersFromCodeText(entry.code_text));
      code_texts.push_back(std::move(entry.code_text));
    }
  }
};

const CodeTexts& Inputs() {
  static const CodeTexts data;
  return data;
}

void PerField(benchmark::State& state, const CodeTexts& data) {
  state.SetItemsProcessed(state.iterations() * data.fields);
}

void BM_CharactersFromCodeText(benchmark::State& state) {
  const CodeTexts& data = Inputs();
  for (auto _ : state) {
    for (const Text& code : data.code_texts) {
      Text characters = CharactersFromCodeText(code);
      benchmark::DoNotOptimize(characters.data());
    }
  }
  PerField(state, data);
}
BENCHMARK(BM_CharactersFromCodeText);

void BM_CodeTextFromCharacters(benchmark::State& state) {
  const CodeTexts& data = Inputs();
  for (auto _ : state) {
    for (const Text& characters : data.characters) {
      Text code = CodeTextFromCharacters(characters);
      benchmark::DoNotOptimize(code.data());
    }
  }
  PerField(state, data);
}
BENCHMARK(BM_CodeTextFromCharacters);

void BM_HtmlFromCodeText(benchmark::State& state) {
  const CodeTexts& data = Inputs();
  for (auto _ : state) {
    for (const Text& code : data.code_texts) {
      Text html = HtmlFromCodeText(code);
      benchmark::DoNotOptimize(html.data());
    }
  }
  PerField(state, data);
}
BENCHMARK(BM_HtmlFromCodeText);

void BM_IsValidCodeText(benchmark::State& state) {
  const CodeTexts& data = Inputs();
  for (auto _ : state) {
    int valid = 0;
    for (const Text& code : data.code_texts) valid += IsValidCodeText(code);
    benchmark::DoNotOptimize(valid);
    if (valid != static_cast<int>(data.code_texts.size())) {
      state.SkipWithError("a generated code text was not valid");
      break;
    }
  }
  PerField(state, data);
}
BENCHMARK(BM_IsValidCodeText);

// The Code field of an entry editor holding code text.
void BM_InterpretCodeInput_Code(benchmark::State& state) {
  const CodeTexts& data = Inputs();
  for (auto _ : state) {
    for (const Text& code : data.code_texts) {
      auto input = InterpretCodeInput(code);
      benchmark::DoNotOptimize(input);
    }
  }
  PerField(state, data);
}
BENCHMARK(BM_InterpretCodeInput_Code);

// The Code field of an entry editor holding the characters themselves.
void BM_InterpretCodeInput_Characters(benchmark::State& state) {
  const CodeTexts& data = Inputs();
  for (auto _ : state) {
    for (const Text& characters : data.characters) {
      auto input = InterpretCodeInput(characters);
      benchmark::DoNotOptimize(input);
    }
  }
  PerField(state, data);
}
BENCHMARK(BM_InterpretCodeInput_Characters);

}  // namespace
}  // namespace gw::bench
