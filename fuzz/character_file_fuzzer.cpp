// The character file reader on arbitrary bytes.
//
// Properties:
// - a failed parse leaves no records and always has a reason; a syntax error
//   lies inside the file and names what was expected there;
// - whatever parses is written back (from the records and from a table built
//   from them, both writers giving the same bytes) in the program's exact
//   layout, and that text parses again to the same records and is written
//   again to the same bytes; a file of a version before 1.10 is written with
//   the current header and three strings per entry, so the records (not the
//   bytes) are what must survive its first rewrite;
// - leaving out one row when writing gives the file of the other rows;
// - the table built from the records shows each record, its characters and
//   the later row of every trigger;
// - the raw string content of the input, put into a string of a well-formed
//   file, reads back exactly as the plain UTF-8 decoder decodes it.
#include <algorithm>
#include <map>

#include "fuzz/fuzz_common.h"
#include "table/character_file.h"
#include "table/character_table.h"
#include "table/code_notation.h"

namespace {

using gw::CharacterEntry;
using gw::Text;

// The layout every written file has: UTF-8 without byte-order mark, the
// header first, CR LF line ends only, no other control bytes, no line end
// after the final "]".
void CheckWrittenLayout(const std::string& file) {
  GW_FUZZ_CHECK(file.rfind("[\r\n  \"Glyphwell 1.11\"", 0) == 0);
  GW_FUZZ_CHECK(file.size() >= 3 && file.compare(file.size() - 3, 3, "\r\n]") == 0);
  for (size_t i = 0; i < file.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(file[i]);
    if (b == '\r') GW_FUZZ_CHECK(i + 1 < file.size() && file[i + 1] == '\n');
    else if (b == '\n') GW_FUZZ_CHECK(i > 0 && file[i - 1] == '\r');
    else GW_FUZZ_CHECK(b >= 0x20);
  }
  GW_FUZZ_CHECK(gw::TextToUtf8(gw::Utf8ToText(file)) == file);  // well-formed UTF-8
}

void CheckTable(const gw::CharacterTable& table, const std::vector<CharacterEntry>& records) {
  GW_FUZZ_CHECK(table.RowCount() == static_cast<int>(records.size()));
  GW_FUZZ_CHECK(table.CurrentRow() == (records.empty() ? -1 : 0));
  std::map<Text, int> last_row;
  for (size_t i = 0; i < records.size(); ++i) {
    const int row = static_cast<int>(i);
    GW_FUZZ_CHECK(table.Entry(row) == records[i]);
    GW_FUZZ_CHECK(table.ColumnText(row, gw::TableColumn::Characters) ==
                  gw::CharactersFromCodeText(records[i].code_text));
    if (!records[i].trigger.empty()) last_row[records[i].trigger] = row;
  }
  GW_FUZZ_CHECK(table.Triggers().Size() == last_row.size());
  for (const auto& [trigger, row] : last_row) GW_FUZZ_CHECK(table.FindTrigger(trigger) == row);
}

// Raw string content (no quotation mark, backslash or control byte) is
// decoded piecewise by the reader; it must agree with the whole-text decoder.
void CheckStringDecoding(std::string_view bytes) {
  std::string raw;
  for (char c : bytes) {
    if (c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20) raw.push_back(c);
  }
  const std::string file = "[\"Glyphwell 1.11\",[\"\",\"" + raw + "\"]]";
  std::vector<CharacterEntry> records;
  GW_FUZZ_CHECK(gw::ParseCharacterFile(file, records));
  GW_FUZZ_CHECK(records.size() == 1);
  GW_FUZZ_CHECK(records[0].code_text == gw::Utf8ToText(raw));
}

// Why a file did not parse: always a reason; a place inside the file, and
// something that was expected there, for a syntax error.
void CheckProblem(std::string_view bytes, const gw::ReadProblem& problem) {
  GW_FUZZ_CHECK(problem.failure != gw::ReadFailure::None);
  if (problem.failure != gw::ReadFailure::Syntax && problem.failure != gw::ReadFailure::TooDeep)
    return;
  const size_t breaks = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n') +
                                            std::count(bytes.begin(), bytes.end(), '\r'));
  GW_FUZZ_CHECK(problem.line >= 1 && static_cast<size_t>(problem.line) <= breaks + 1);
  GW_FUZZ_CHECK(problem.column >= 1 && static_cast<size_t>(problem.column) <= bytes.size() + 1);
  GW_FUZZ_CHECK((problem.failure == gw::ReadFailure::Syntax) == (problem.expected != 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = gw::fuzz::BytesOf(data, size);
  CheckStringDecoding(bytes);

  std::vector<CharacterEntry> records;
  const gw::ReadProblem problem = gw::DiagnoseCharacterFile(bytes);
  if (!gw::ParseCharacterFile(bytes, records)) {
    GW_FUZZ_CHECK(records.empty());
    CheckProblem(bytes, problem);
    return 0;
  }
  GW_FUZZ_CHECK(problem.failure == gw::ReadFailure::None);

  const std::string written = gw::SerializeCharacterEntries(records);
  CheckWrittenLayout(written);

  std::vector<CharacterEntry> reread;
  GW_FUZZ_CHECK(gw::ParseCharacterFile(written, reread));
  GW_FUZZ_CHECK(reread == records);
  GW_FUZZ_CHECK(gw::SerializeCharacterEntries(reread) == written);

  gw::CharacterTable table;
  table.BuildRowsFromRecords(records);
  CheckTable(table, records);
  GW_FUZZ_CHECK(gw::SerializeCharacterFile(table) == written);
  GW_FUZZ_CHECK(gw::SerializeCharacterFile(table, -1) == written);
  GW_FUZZ_CHECK(gw::SerializeCharacterFile(table, table.RowCount()) == written);

  if (!records.empty()) {
    const size_t skip = data[0] % records.size();
    std::vector<CharacterEntry> others = records;
    others.erase(others.begin() + static_cast<std::ptrdiff_t>(skip));
    GW_FUZZ_CHECK(gw::SerializeCharacterFile(table, static_cast<int>(skip)) ==
                  gw::SerializeCharacterEntries(others));
  }
  return 0;
}
