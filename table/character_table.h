// The live character table: the ordered rows of the main list, the current
// row, and the trigger lookup. Free of user interface; the main list mirrors
// these rows one to one.
#pragma once
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "base/text.h"

namespace gw {

// One entry as stored in the character file. The characters are derived from
// the code text and never stored.
struct CharacterEntry {
  Text trigger;    // empty or (when entered in an editor) one UTF-16 unit
  Text code_text;  // "\u" fields, as stored
  Text comment;

  bool operator==(const CharacterEntry&) const = default;
};

// Columns of a row, in list order.
enum class TableColumn { Trigger = 0, Characters = 1, CodeText = 2, Comment = 3 };

class CharacterTable;

// Exact, case-sensitive map from each non-empty trigger to its row number.
// When two rows carry the same trigger the later row wins.
class TriggerIndex {
 public:
  static constexpr size_t kInitialBuckets = 512;

  TriggerIndex();

  // Row of the trigger, or -1.
  int Find(const Text& trigger) const;
  // Adds or overwrites trigger -> row. An empty trigger is never entered.
  void Set(const Text& trigger, int row);
  void Erase(const Text& trigger);
  void Clear();
  size_t Size() const { return map_.size(); }

  // Clears the map, then enters every non-empty trigger of the table in row
  // order.
  void Build(const CharacterTable& table);
  // Sets trigger -> row for every row from `first` to `last` (inclusive,
  // limited to the rows that exist) with a non-empty trigger.
  void Renumber(const CharacterTable& table, int first, int last);

  const std::unordered_map<Text, int>& Entries() const { return map_; }

 private:
  std::unordered_map<Text, int> map_;
};

class CharacterTable {
 public:
  int RowCount() const { return static_cast<int>(rows_.size()); }
  bool IsRow(int row) const { return row >= 0 && row < RowCount(); }

  // The text of one column of a row; empty for a row that does not exist.
  // The view stays valid until that row is changed or removed.
  TextView ColumnText(int row, TableColumn column) const;
  // A copy of column 0 to 3 of a row (see TableColumn); empty for anything else.
  Text Column(int row, int column) const;
  // The stored texts of a row (trigger, code text, comment).
  CharacterEntry Entry(int row) const;

  // The row operations below keep `Triggers()` in step with the rows (insert
  // sets the new trigger and renumbers the rows after it, remove drops the
  // trigger and renumbers the rows from it on, a move renumbers the two rows
  // concerned), so that at all times it holds exactly the non-empty triggers
  // with the number of the last row that shows each. Callers do not repeat
  // that upkeep. The current row keeps its number; when that number no
  // longer names a row there is no current row.

  // Inserts a row at `row` (0 to RowCount(); other values append). The
  // characters are computed from the code text.
  void InsertRow(int row, const CharacterEntry& entry);
  void AppendRow(const CharacterEntry& entry) { InsertRow(RowCount(), entry); }
  // Replaces the texts of an existing row; false when there is no such row.
  bool ReplaceRow(int row, const CharacterEntry& entry);
  // Removes an existing row; false when there is no such row.
  bool RemoveRow(int row);
  // Moves row `row` by `delta` (-1 up, +1 down): its texts are taken, the row
  // removed and inserted again at row + delta. False (nothing changes) for
  // any other delta or when either row does not exist.
  bool MoveRow(int row, int delta);
  // Removes every row; no current row, empty trigger index.
  void Clear();

  // Replaces all rows by the records, in order, builds the trigger index and
  // makes row 0 current (none for an empty list).
  void BuildRowsFromRecords(const std::vector<CharacterEntry>& records);
  // Makes room for `count` rows ahead of appending them; TrimRows gives back
  // room that was reserved far in excess of the rows there are.
  void ReserveRows(size_t count) { rows_.reserve(count); }
  void TrimRows() {
    if (rows_.capacity() > 2 * rows_.size() + 64) rows_.shrink_to_fit();
  }

  // The current row, or -1.
  int CurrentRow() const { return current_; }
  // Makes `row` current; a number outside the rows leaves no row current.
  void SelectRow(int row) { current_ = IsRow(row) ? row : -1; }

  const TriggerIndex& Triggers() const { return triggers_; }

  // A number that changes with every change of the rows and is never the
  // same for two tables with different rows (a copy shares its original's
  // until either changes): what is worked out from the rows can be kept
  // while it stays the same.
  uint64_t Revision() const { return revision_; }
  // Row of a trigger, or -1.
  int FindTrigger(const Text& trigger) const { return triggers_.Find(trigger); }

 private:
  // All four column texts of a row in one buffer, so a row costs one
  // allocation (none for short rows) and 48 bytes in the row vector.
  struct Row {
    Text texts;             // trigger + characters + code text + comment
    uint32_t ends[3] = {};  // end offsets of trigger, characters, code text
  };

  static Row MakeRow(const CharacterEntry& entry);
  // Points `trigger` at the last row that shows it, or drops it when no row
  // does. Repairs the index where a trigger occurs in more than one row.
  void ReindexTrigger(const Text& trigger);
  void KeepCurrentValid() {
    if (!IsRow(current_)) current_ = -1;
  }

  static uint64_t NewRevision();
  void Changed() { revision_ = NewRevision(); }

  std::vector<Row> rows_;
  int current_ = -1;
  TriggerIndex triggers_;
  uint64_t revision_ = NewRevision();
};

// The list's own search for typed text: the first row, from `start` on (and
// then from row 0 on when `wrap` is set), whose trigger column starts with
// `text` (`partial`) or equals it, ignoring case. -1 when there is none.
int FindRowByPrefix(const CharacterTable& table, TextView text, int start, bool wrap, bool partial);

}  // namespace gw
