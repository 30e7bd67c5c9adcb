// The live table: rows, current row and the trigger index kept in step.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "table/character_table.h"
#include "table/default_table.h"

namespace gw {
namespace {

// The index must hold exactly the non-empty triggers of the rows, each with
// the number of the last row that shows it.
::testing::AssertionResult IndexMatchesRows(const CharacterTable& table) {
  std::map<Text, int> expected;
  for (int row = 0; row < table.RowCount(); ++row) {
    Text trigger(table.ColumnText(row, TableColumn::Trigger));
    if (!trigger.empty()) expected[trigger] = row;
  }
  const auto& actual = table.Triggers().Entries();
  if (actual.size() != expected.size())
    return ::testing::AssertionFailure()
           << "index holds " << actual.size() << " triggers, rows show " << expected.size();
  for (const auto& [trigger, row] : expected) {
    auto it = actual.find(trigger);
    if (it == actual.end())
      return ::testing::AssertionFailure() << "trigger of row " << row << " missing";
    if (it->second != row)
      return ::testing::AssertionFailure()
             << "trigger of row " << row << " points at row " << it->second;
  }
  return ::testing::AssertionSuccess();
}

CharacterTable TableOf(const std::vector<CharacterEntry>& records) {
  CharacterTable table;
  table.BuildRowsFromRecords(records);
  return table;
}

std::vector<CharacterEntry> EntriesOf(const CharacterTable& table) {
  std::vector<CharacterEntry> entries;
  for (int row = 0; row < table.RowCount(); ++row) entries.push_back(table.Entry(row));
  return entries;
}

TEST(TableCharacterTable, DefaultTableRowsAndLookups) {
  const CharacterTable table = TableOf(DefaultCharacterEntries());
  ASSERT_EQ(table.RowCount(), 6);
  EXPECT_EQ(table.CurrentRow(), 0);
  EXPECT_EQ(table.FindTrigger(u"-"), 4);
  EXPECT_EQ(table.FindTrigger(u"%"), 5);
  EXPECT_EQ(table.FindTrigger(u""), -1);
  EXPECT_EQ(table.FindTrigger(u"a"), -1);
  EXPECT_EQ(table.Triggers().Size(), 2u);
  EXPECT_TRUE(IndexMatchesRows(table));

  EXPECT_EQ(table.ColumnText(0, TableColumn::Trigger), u"");
  EXPECT_EQ(table.ColumnText(0, TableColumn::Characters), u"„“");
  EXPECT_EQ(table.ColumnText(0, TableColumn::CodeText), u"\\u201E\\u201C");
  EXPECT_EQ(table.ColumnText(0, TableColumn::Comment), u"quotation marks (de)");
  EXPECT_EQ(table.ColumnText(1, TableColumn::Characters), u"»«");
  EXPECT_EQ(table.ColumnText(2, TableColumn::Characters), u"“”");
  EXPECT_EQ(table.ColumnText(3, TableColumn::Characters), u"«»");
  EXPECT_EQ(table.ColumnText(4, TableColumn::Characters), u"–");
  EXPECT_EQ(table.ColumnText(5, TableColumn::Characters), u"‰");
  EXPECT_EQ(table.ColumnText(5, TableColumn::Comment), u"per thousand");
  EXPECT_EQ(table.ColumnText(6, TableColumn::Comment), u"");  // no such row
  EXPECT_EQ(table.ColumnText(-1, TableColumn::Trigger), u"");
}

TEST(TableCharacterTable, TriggersAreCaseSensitiveAndExact) {
  const CharacterTable table =
      TableOf({{u"a", u"\\u00E4", u""}, {u"A", u"\\u00C4", u""}, {u"é", u"\\u00C9", u""}});
  EXPECT_EQ(table.FindTrigger(u"a"), 0);
  EXPECT_EQ(table.FindTrigger(u"A"), 1);
  EXPECT_EQ(table.FindTrigger(u"é"), 2);
  EXPECT_EQ(table.FindTrigger(u"E"), -1);
}

TEST(TableCharacterTable, CharactersAreDerivedFromCodeText) {
  CharacterTable table =
      TableOf({{u"x", u"\\u1F600", u"smile"}, {u"", u"\\u110000\\u41", u"hand-edited"}});
  EXPECT_EQ(table.ColumnText(0, TableColumn::Characters), u"\U0001F600");
  EXPECT_EQ(table.ColumnText(1, TableColumn::Characters), u"\uFFFDA");
  ASSERT_TRUE(table.ReplaceRow(0, {u"x", u"\\u2013\\u2014", u"dashes"}));
  EXPECT_EQ(table.ColumnText(0, TableColumn::Characters), u"–—");
  EXPECT_EQ(table.Entry(0), (CharacterEntry{u"x", u"\\u2013\\u2014", u"dashes"}));
}

TEST(TableCharacterTable, InsertKeepsIndexInStep) {
  CharacterTable table = TableOf(DefaultCharacterEntries());
  table.InsertRow(3, {u"q", u"\\u0071", u"q"});  // New above row 3
  EXPECT_EQ(table.RowCount(), 7);
  EXPECT_EQ(table.FindTrigger(u"q"), 3);
  EXPECT_EQ(table.FindTrigger(u"-"), 5);
  EXPECT_EQ(table.FindTrigger(u"%"), 6);
  EXPECT_TRUE(IndexMatchesRows(table));

  table.InsertRow(0, {u"", u"\\u0041", u"no trigger"});
  EXPECT_EQ(table.FindTrigger(u"q"), 4);
  EXPECT_TRUE(IndexMatchesRows(table));

  table.InsertRow(table.RowCount(), {u"z", u"\\u007A", u"last"});
  EXPECT_EQ(table.FindTrigger(u"z"), 8);
  EXPECT_TRUE(IndexMatchesRows(table));

  table.InsertRow(-5, {u"y", u"\\u0079", u"out of range appends"});
  EXPECT_EQ(table.FindTrigger(u"y"), 9);
  EXPECT_TRUE(IndexMatchesRows(table));
}

TEST(TableCharacterTable, RemoveKeepsIndexInStep) {
  CharacterTable table = TableOf({{u"a", u"\\u61", u""},
                                  {u"b", u"\\u62", u""},
                                  {u"c", u"\\u63", u""},
                                  {u"d", u"\\u64", u""},
                                  {u"e", u"\\u65", u""}});
  table.SelectRow(2);
  ASSERT_TRUE(table.RemoveRow(2));  // former row 3 becomes row 2 and stays current
  EXPECT_EQ(table.CurrentRow(), 2);
  EXPECT_EQ(table.FindTrigger(u"c"), -1);
  EXPECT_EQ(table.FindTrigger(u"d"), 2);
  EXPECT_EQ(table.FindTrigger(u"e"), 3);
  EXPECT_TRUE(IndexMatchesRows(table));

  table.SelectRow(3);
  ASSERT_TRUE(table.RemoveRow(3));  // the last row: no row current
  EXPECT_EQ(table.CurrentRow(), -1);
  EXPECT_TRUE(IndexMatchesRows(table));

  EXPECT_FALSE(table.RemoveRow(3));
  EXPECT_FALSE(table.RemoveRow(-1));
  while (table.RowCount() > 0) {
    ASSERT_TRUE(table.RemoveRow(0));
    EXPECT_TRUE(IndexMatchesRows(table));
  }
  EXPECT_EQ(table.Triggers().Size(), 0u);
}

TEST(TableCharacterTable, MoveKeepsIndexInStep) {
  CharacterTable table = TableOf(DefaultCharacterEntries());
  // Moving "%" up twice puts it at row 3.
  ASSERT_TRUE(table.MoveRow(5, -1));
  EXPECT_TRUE(IndexMatchesRows(table));
  ASSERT_TRUE(table.MoveRow(4, -1));
  EXPECT_TRUE(IndexMatchesRows(table));
  EXPECT_EQ(table.FindTrigger(u"%"), 3);
  EXPECT_EQ(table.FindTrigger(u"-"), 5);
  EXPECT_EQ(table.ColumnText(3, TableColumn::Comment), u"per thousand");
  EXPECT_EQ(table.ColumnText(4, TableColumn::Comment), u"guillemets (fr)");
  EXPECT_EQ(table.ColumnText(3, TableColumn::Characters), u"‰");

  ASSERT_TRUE(table.MoveRow(3, +1));
  EXPECT_EQ(table.FindTrigger(u"%"), 4);
  EXPECT_TRUE(IndexMatchesRows(table));

  const auto before = EntriesOf(table);
  EXPECT_FALSE(table.MoveRow(0, -1));  // first row up
  EXPECT_FALSE(table.MoveRow(5, +1));  // last row down
  EXPECT_FALSE(table.MoveRow(2, +2));  // only single steps
  EXPECT_FALSE(table.MoveRow(7, -1));
  EXPECT_EQ(EntriesOf(table), before);
  EXPECT_TRUE(IndexMatchesRows(table));
}

TEST(TableCharacterTable, ReplaceKeepsIndexInStep) {
  CharacterTable table = TableOf(DefaultCharacterEntries());
  // Only the comment changes: the trigger stays.
  ASSERT_TRUE(table.ReplaceRow(4, {u"-", u"\\u2013", u"dash"}));
  EXPECT_EQ(table.FindTrigger(u"-"), 4);
  EXPECT_TRUE(IndexMatchesRows(table));
  // The trigger cleared: the old one no longer matches.
  ASSERT_TRUE(table.ReplaceRow(4, {u"", u"\\u2013", u"dash"}));
  EXPECT_EQ(table.FindTrigger(u"-"), -1);
  EXPECT_TRUE(IndexMatchesRows(table));
  // A new trigger on a row that had none, and a changed one.
  ASSERT_TRUE(table.ReplaceRow(0, {u"d", u"\\u201E\\u201C", u"de"}));
  ASSERT_TRUE(table.ReplaceRow(5, {u"p", u"\\u2030", u"per mille"}));
  EXPECT_EQ(table.FindTrigger(u"d"), 0);
  EXPECT_EQ(table.FindTrigger(u"p"), 5);
  EXPECT_EQ(table.FindTrigger(u"%"), -1);
  EXPECT_TRUE(IndexMatchesRows(table));
  EXPECT_FALSE(table.ReplaceRow(6, {u"x", u"", u""}));
  EXPECT_EQ(table.FindTrigger(u"x"), -1);
}

TEST(TableCharacterTable, DuplicateTriggersFromAFileLaterRowWins) {
  CharacterTable table = TableOf({{u"a", u"\\u61", u"first"},
                                  {u"b", u"\\u62", u""},
                                  {u"a", u"\\u41", u"second"},
                                  {u"c", u"\\u63", u""}});
  EXPECT_EQ(table.RowCount(), 4);
  EXPECT_EQ(table.FindTrigger(u"a"), 2);
  // Moving the earlier duplicate next to the later one keeps the later.
  ASSERT_TRUE(table.MoveRow(0, +1));
  EXPECT_EQ(table.FindTrigger(u"a"), 2);
  EXPECT_TRUE(IndexMatchesRows(table));
  // Swapping the two duplicates: the one now later wins.
  ASSERT_TRUE(table.MoveRow(1, +1));
  EXPECT_EQ(table.FindTrigger(u"a"), 2);
  EXPECT_EQ(table.ColumnText(2, TableColumn::Comment), u"first");
  EXPECT_TRUE(IndexMatchesRows(table));
  // Removing the later one leaves the earlier one findable.
  ASSERT_TRUE(table.RemoveRow(2));
  EXPECT_EQ(table.FindTrigger(u"a"), 1);
  EXPECT_TRUE(IndexMatchesRows(table));
  // Clearing the trigger of the remaining one drops it.
  ASSERT_TRUE(table.ReplaceRow(1, {u"", u"\\u41", u""}));
  EXPECT_EQ(table.FindTrigger(u"a"), -1);
  EXPECT_TRUE(IndexMatchesRows(table));
}

TEST(TableCharacterTable, CurrentRow) {
  CharacterTable table;
  table.BuildRowsFromRecords({});
  EXPECT_EQ(table.CurrentRow(), -1);
  table.BuildRowsFromRecords(DefaultCharacterEntries());
  EXPECT_EQ(table.CurrentRow(), 0);
  table.SelectRow(5);
  EXPECT_EQ(table.CurrentRow(), 5);
  table.SelectRow(6);
  EXPECT_EQ(table.CurrentRow(), -1);
  // Deleting the only row leaves no current row.
  table.BuildRowsFromRecords({{u"x", u"\\u78", u""}});
  ASSERT_TRUE(table.RemoveRow(0));
  EXPECT_EQ(table.CurrentRow(), -1);
}

TEST(TableCharacterTable, RebuildDropsVanishedTriggers) {
  CharacterTable table = TableOf(DefaultCharacterEntries());
  table.SelectRow(4);
  table.BuildRowsFromRecords({{u"%", u"\\u2030", u""}, {u"+", u"\\u00B1", u""}});
  EXPECT_EQ(table.CurrentRow(), 0);
  EXPECT_EQ(table.FindTrigger(u"-"), -1);
  EXPECT_EQ(table.FindTrigger(u"%"), 0);
  EXPECT_TRUE(IndexMatchesRows(table));
  table.Clear();
  EXPECT_EQ(table.RowCount(), 0);
  EXPECT_EQ(table.Triggers().Size(), 0u);
}

// Random edits checked against a plain list of entries after every step.
TEST(TableCharacterTable, TypedTextFindsRowsLikeTheListsOwnSearch) {
  CharacterTable table;
  table.BuildRowsFromRecords({{u"a", u"\\u0061", u""},
                              {u"", u"\\u0062", u""},
                              {u"\u00E4", u"\\u00E4", u""},
                              {u"A", u"\\u0041", u""},
                              {u"b", u"\\u0062", u""}});
  // Case is ignored, also beyond ASCII; the search starts at `start`.
  EXPECT_EQ(FindRowByPrefix(table, u"a", 0, false, true), 0);
  EXPECT_EQ(FindRowByPrefix(table, u"a", 1, false, true), 3);
  EXPECT_EQ(FindRowByPrefix(table, u"\u00C4", 0, false, true), 2);
  // Wrapping goes on from row 0; without it the end is the end.
  EXPECT_EQ(FindRowByPrefix(table, u"a", 4, true, true), 0);
  EXPECT_EQ(FindRowByPrefix(table, u"a", 4, false, true), -1);
  EXPECT_EQ(FindRowByPrefix(table, u"B", 99, true, true), 4);
  // An exact search needs the whole text; a prefix longer than the text fails.
  EXPECT_EQ(FindRowByPrefix(table, u"ab", 0, true, true), -1);
  EXPECT_EQ(FindRowByPrefix(table, u"", 0, false, false), 1);
  EXPECT_EQ(FindRowByPrefix(CharacterTable(), u"a", 0, true, true), -1);
}

TEST(TableCharacterTable, RandomEditsMatchAReferenceList) {
  std::mt19937 random(12345);
  const Text triggers[] = {u"", u"", u"a", u"b", u"c", u"d", u"e", u"-"};
  auto random_entry = [&](int n) {
    return CharacterEntry{triggers[random() % 8], u"\\u" + NumberText(100 + n), NumberText(n)};
  };
  std::vector<CharacterEntry> reference;
  for (int k = 0; k < 6; ++k) reference.push_back(random_entry(k));
  CharacterTable table = TableOf(reference);  // duplicates possible, as from a file
  for (int step = 0; step < 3000; ++step) {
    const int count = static_cast<int>(reference.size());
    const int row = count == 0 ? 0 : static_cast<int>(random() % count);
    switch (random() % 4) {
      case 0: {
        const int at = static_cast<int>(random() % (count + 1));
        const CharacterEntry entry = random_entry(step);
        table.InsertRow(at, entry);
        reference.insert(reference.begin() + at, entry);
        break;
      }
      case 1:
        if (count > 0) {
          ASSERT_TRUE(table.RemoveRow(row));
          reference.erase(reference.begin() + row);
        }
        break;
      case 2: {
        const int delta = random() % 2 ? 1 : -1;
        const bool possible = count > 0 && row + delta >= 0 && row + delta < count;
        ASSERT_EQ(table.MoveRow(row, delta), possible);
        if (possible) std::swap(reference[row], reference[row + delta]);
        break;
      }
      case 3:
        if (count > 0) {
          const CharacterEntry entry = random_entry(step);
          ASSERT_TRUE(table.ReplaceRow(row, entry));
          reference[row] = entry;
        }
        break;
    }
    ASSERT_EQ(EntriesOf(table), reference) << "step " << step;
    ASSERT_TRUE(IndexMatchesRows(table)) << "step " << step;
  }
}

}  // namespace
}  // namespace gw
