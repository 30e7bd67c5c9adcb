// Heap harness for the table model: loads a 10,000-entry character file as
// start-up does (ReadCharacterFile, then BuildRowsFromRecords) and frees the
// records, so that only the table stays.
//
//   table_heap [snapshot-prefix]
//
// Under valgrind's massif it takes a heap snapshot just before the load
// (<prefix>.before) and one with the table built and the records freed
// (<prefix>.table); the difference is the heap the table keeps, and massif's
// own peak covers the load as a whole. scripts/bench.sh runs it so. It also
// prints glibc's count of the bytes the table holds, which is meaningful when
// it runs without valgrind.
#include <malloc.h>
#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#define GW_HAVE_VALGRIND 1
#endif

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/platform.h"
#include "bench/bench_data.h"
#include "table/character_file.h"
#include "table/character_table.h"

namespace {

size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// Asks massif for a snapshot of the heap as it is now; nothing outside valgrind.
void Snapshot(const char* prefix, const char* suffix) {
#ifdef GW_HAVE_VALGRIND
  if (!prefix || !RUNNING_ON_VALGRIND) return;
  std::string command = std::string("snapshot ") + prefix + suffix;
  VALGRIND_MONITOR_COMMAND(command.c_str());
#else
  (void)prefix;
  (void)suffix;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: table_heap [snapshot-prefix]\n");
    return 2;
  }
  const char* prefix = argc == 2 ? argv[1] : nullptr;

  auto folder = std::make_unique<gw::bench::ScratchFolder>();
  const gw::Text path = folder->File(u"Characters.json");
  {
    const std::vector<gw::CharacterEntry> entries = gw::bench::MakeEntries(gw::bench::kLargeTableEntries);
    if (!folder->Ok() || !gw::WriteWholeFile(path, gw::SerializeCharacterEntries(entries))) {
      std::fprintf(stderr, "table_heap: cannot write the character file\n");
      return 1;
    }
  }

  Snapshot(prefix, ".before");
  const size_t before = HeapInUse();
  std::vector<gw::CharacterEntry> records;
  if (!gw::ReadCharacterFile(path, records)) {
    std::fprintf(stderr, "table_heap: cannot read the character file\n");
    return 1;
  }
  const size_t record_count = records.size();
  auto table = std::make_unique<gw::CharacterTable>();
  table->BuildRowsFromRecords(records);
  std::vector<gw::CharacterEntry>().swap(records);
  const size_t after = HeapInUse();
  Snapshot(prefix, ".table");

  std::printf("records %zu rows %d triggers %zu glibc_table_bytes %zu\n", record_count,
              table->RowCount(), table->Triggers().Size(), after >= before ? after - before : 0);
  return table->RowCount() == static_cast<int>(record_count) && record_count > 0 ? 0 : 1;
}
