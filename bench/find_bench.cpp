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

// --- The search of every character ------------------------------------------
// Preparing the data on first use (reading the names and the search data,
// indexing them), a keystroke's search over everything (every prefix of the
// quality queries, as typed; median and 99th percentile), and the quality
// of the order: how often the character meant comes first and within the
// first five for the queries of tests/data/find_queries.tsv.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "table/character_search.h"

namespace gw::bench {
namespace {

struct Query {
  std::string language;
  std::string text;
  Text meant;
};

std::vector<Query> ReadQueries(const char* path) {
  std::vector<Query> queries;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Query q;
    std::string codes;
    std::getline(fields, q.language, '\t');
    std::getline(fields, q.text, '\t');
    std::getline(fields, codes);
    std::istringstream each(codes);
    std::string code;
    std::u32string meant;
    while (each >> code) meant.push_back(static_cast<char32_t>(std::stoul(code.substr(2), nullptr, 16)));
    for (char32_t c : meant) {
      if (c >= 0x10000) {
        q.meant.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        q.meant.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
      } else {
        q.meant.push_back(static_cast<char16_t>(c));
      }
    }
    queries.push_back(std::move(q));
}
  return queries;
}

struct SearchBenchData {
  std::string names_file, search_file;
  // The quality queries, and the check queries, written after the order was
  // tuned with the first ones: how well it does on queries it was not made for.
  std::vector<Query> queries = ReadQueries(GW_FIND_QUERIES);
  std::vector<Query> check_queries = ReadQueries(GW_FIND_CHECK_QUERIES);
  bool ok = false;

  SearchBenchData() {
    ok = ReadWholeFile(AsciiToText(GW_NAMES_FILE), names_file) == ReadResult::Ok &&
         ReadWholeFile(AsciiToText(GW_SEARCH_FILE), search_file) == ReadResult::Ok &&
         !queries.empty() && !check_queries.empty();
  }
};

const SearchBenchData& SearchData_(benchmark::State& state) {
  static const SearchBenchData data;
  if (!data.ok) state.SkipWithError("the search data or the queries could not be read");
  return data;
}

void BM_PrepareCharacterSearch(benchmark::State& state) {
  const SearchBenchData& data = SearchData_(state);
  for (auto _ : state) {
    CharacterNames names;
    SearchData search_data;
    names.Load(data.names_file);
    search_data.Load(data.search_file);
    CharacterSearch search;
    search.Prepare(names, search_data, "de");
    benchmark::DoNotOptimize(search.Prepared());
  }
}
BENCHMARK(BM_PrepareCharacterSearch)->Unit(benchmark::kMillisecond);

// The search prepared for each language, once.
struct PreparedLanguages {
  CharacterNames names;
  SearchData search_data;
  CharacterSearch by_language[3];
};
const PreparedLanguages& Prepared(const SearchBenchData& data) {
  static PreparedLanguages* prepared = [&] {
    auto* p = new PreparedLanguages;
    p->names.Load(data.names_file);
    p->search_data.Load(data.search_file);
    const char* languages[3] = {"en", "de", "fr"};
    for (int i = 0; i < 3; ++i) p->by_language[i].Prepare(p->names, p->search_data, languages[i]);
    return p;
  }();
  return *prepared;
}

double Percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<size_t>(share * (values.size() - 1) + 0.5))];
}

void BM_CharacterSearchKeystroke(benchmark::State& state) {
  const SearchBenchData& data = SearchData_(state);
  const PreparedLanguages& prepared = Prepared(data);
  const CharacterSearch* by_language = prepared.by_language;
  std::vector<double> times;
  for (auto _ : state) {
    for (const Query& q : data.queries) {
      const int l = q.language == "de" ? 1 : q.language == "fr" ? 2 : 0;
      const Text text = Utf8ToText(q.text);
      for (size_t n = 1; n <= text.size(); ++n) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(by_language[l].Search(TextView(text).substr(0, n), {}, 500));
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
      }
    }
  }
  state.counters["keystrokes"] = static_cast<double>(times.size());
  state.counters["median_ms"] = Percentile(times, 0.5);
  state.counters["p99_ms"] = Percentile(times, 0.99);
  state.counters["max_ms"] = Percentile(times, 1.0);
}
BENCHMARK(BM_CharacterSearchKeystroke)->Unit(benchmark::kMillisecond)->Iterations(3);

struct Quality {
  size_t first = 0, five = 0;
  std::string misses;
};

// How often the character meant comes first and within five; a query that
// finds nothing, or fewer results than five without the character, misses.
Quality Measure(const CharacterSearch* by_language, const std::vector<Query>& queries) {
  Quality quality;
  const auto bare = [](Text t) {
    std::erase(t, u'\uFE0F');
    return t;
  };
  for (const Query& q : queries) {
    const int l = q.language == "de" ? 1 : q.language == "fr" ? 2 : 0;
    const CharacterSearch& search = by_language[l];
    const std::vector<SearchResult> found = search.Search(Utf8ToText(q.text), {}, 50);
    size_t place = SIZE_MAX;
    for (size_t i = 0; i < found.size(); ++i)
      if (bare(search.Characters(found[i].key)) == bare(q.meant)) {
        place = i;
        break;
      }
    if (place == 0) ++quality.first;
    if (place < 5) ++quality.five;
    if (place != 0) {
      quality.misses += "  " + q.language + " \"" + q.text + "\" -> " +
                        (place != SIZE_MAX ? "place " + std::to_string(place + 1) : std::string("not in 50")) +
                        ", first: " + (found.empty() ? std::string("nothing")
                                                     : TextToUtf8(search.Characters(found[0].key)) + " " +
                                                           search.Name(found[0].key)) + "\n";
    }
  }
  return quality;
}

void BM_CharacterSearchQuality(benchmark::State& state) {
  const SearchBenchData& data = SearchData_(state);
  const CharacterSearch* by_language = Prepared(data).by_language;
  Quality quality, check;
  for (auto _ : state) {
    quality = Measure(by_language, data.queries);
    check = Measure(by_language, data.check_queries);
  }
  const auto pct = [](size_t n, const std::vector<Query>& of) {
    return 100.0 * static_cast<double>(n) / static_cast<double>(of.size());
  };
  state.counters["queries"] = static_cast<double>(data.queries.size());
  state.counters["first_pct"] = pct(quality.first, data.queries);
  state.counters["top5_pct"] = pct(quality.five, data.queries);
  state.counters["check_first_pct"] = pct(check.first, data.check_queries);
  state.counters["check_top5_pct"] = pct(check.five, data.check_queries);
  std::fprintf(stderr, "Find quality: %zu queries, %.1f %% first, %.1f %% within five; not first:\n%s",
               data.queries.size(), pct(quality.first, data.queries), pct(quality.five, data.queries),
               quality.misses.c_str());
  std::fprintf(stderr, "Check queries: %zu, %.1f %% first, %.1f %% within five; not first:\n%s",
               data.check_queries.size(), pct(check.first, data.check_queries),
               pct(check.five, data.check_queries), check.misses.c_str());
}
BENCHMARK(BM_CharacterSearchQuality)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace gw::bench
