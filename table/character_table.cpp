#include "table/character_table.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "table/code_notation.h"

namespace gw {

// --- TriggerIndex ---------------------------------------------------------------

TriggerIndex::TriggerIndex() : map_(kInitialBuckets) {}

int TriggerIndex::Find(const Text& trigger) const {
  if (trigger.empty()) return -1;
  auto it = map_.find(trigger);
  return it == map_.end() ? -1 : it->second;
}

void TriggerIndex::Set(const Text& trigger, int row) {
  if (trigger.empty()) return;
  map_.insert_or_assign(trigger, row);
}

void TriggerIndex::Erase(const Text& trigger) { map_.erase(trigger); }

void TriggerIndex::Clear() { map_.clear(); }

void TriggerIndex::Build(const CharacterTable& table) {
  Clear();
  Renumber(table, 0, table.RowCount() - 1);
}

void TriggerIndex::Renumber(const CharacterTable& table, int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, table.RowCount() - 1);
  for (int row = first; row <= last; ++row) {
    const TextView trigger = table.ColumnText(row, TableColumn::Trigger);
    if (!trigger.empty()) Set(Text(trigger), row);
  }
}

// --- CharacterTable -------------------------------------------------------------

uint64_t CharacterTable::NewRevision() {
  static std::atomic<uint64_t> last{0};
  return ++last;
}

CharacterTable::Row CharacterTable::MakeRow(const CharacterEntry& entry) {
  const Text characters = CharactersFromCodeText(entry.code_text);
  Row row;
  row.texts.reserve(entry.trigger.size() + characters.size() + entry.code_text.size() +
                    entry.comment.size());
  row.texts += entry.trigger;
  row.ends[0] = static_cast<uint32_t>(row.texts.size());
  row.texts += characters;
  row.ends[1] = static_cast<uint32_t>(row.texts.size());
  row.texts += entry.code_text;
  row.ends[2] = static_cast<uint32_t>(row.texts.size());
  row.texts += entry.comment;
  return row;
}

TextView CharacterTable::ColumnText(int row, TableColumn column) const {
  if (!IsRow(row)) return {};
  const Row& r = rows_[static_cast<size_t>(row)];
  const TextView all = r.texts;
  switch (column) {
    case TableColumn::Trigger:
      return all.substr(0, r.ends[0]);
    case TableColumn::Characters:
      return all.substr(r.ends[0], r.ends[1] - r.ends[0]);
    case TableColumn::CodeText:
      return all.substr(r.ends[1], r.ends[2] - r.ends[1]);
    case TableColumn::Comment:
      return all.substr(r.ends[2]);
  }
  return {};
}

Text CharacterTable::Column(int row, int column) const {
  if (column < 0 || column > 3) return Text();
  return Text(ColumnText(row, static_cast<TableColumn>(column)));
}

CharacterEntry CharacterTable::Entry(int row) const {
  CharacterEntry entry;
  entry.trigger = Text(ColumnText(row, TableColumn::Trigger));
  entry.code_text = Text(ColumnText(row, TableColumn::CodeText));
  entry.comment = Text(ColumnText(row, TableColumn::Comment));
  return entry;
}

void CharacterTable::ReindexTrigger(const Text& trigger) {
  if (trigger.empty()) return;
  for (int row = RowCount() - 1; row >= 0; --row) {
    if (ColumnText(row, TableColumn::Trigger) == TextView(trigger)) {
      triggers_.Set(trigger, row);
      return;
    }
  }
  triggers_.Erase(trigger);
}

void CharacterTable::InsertRow(int row, const CharacterEntry& entry) {
  if (row < 0 || row > RowCount()) row = RowCount();
  rows_.insert(rows_.begin() + row, MakeRow(entry));
  Changed();
  // The new row is later than any earlier row with the same trigger, and a
  // later duplicate is set again by the renumbering that follows.
  triggers_.Set(entry.trigger, row);
  triggers_.Renumber(*this, row + 1, RowCount() - 1);
}

bool CharacterTable::ReplaceRow(int row, const CharacterEntry& entry) {
  if (!IsRow(row)) return false;
  const Text old_trigger(ColumnText(row, TableColumn::Trigger));
  rows_[static_cast<size_t>(row)] = MakeRow(entry);
  Changed();
  ReindexTrigger(old_trigger);
  if (entry.trigger != old_trigger) ReindexTrigger(entry.trigger);
  return true;
}

bool CharacterTable::RemoveRow(int row) {
  if (!IsRow(row)) return false;
  const Text trigger(ColumnText(row, TableColumn::Trigger));
  rows_.erase(rows_.begin() + row);
  Changed();
  // Dropped, or pointed at another row that still shows it.
  ReindexTrigger(trigger);
  triggers_.Renumber(*this, row, RowCount() - 1);
  KeepCurrentValid();
  return true;
}

bool CharacterTable::MoveRow(int row, int delta) {
  const int target = row + delta;
  if ((delta != -1 && delta != 1) || !IsRow(row) || !IsRow(target)) return false;
  // Taking the row out and inserting it at the neighbour's place is a swap.
  std::swap(rows_[static_cast<size_t>(row)], rows_[static_cast<size_t>(target)]);
  Changed();
  triggers_.Renumber(*this, std::min(row, target), std::max(row, target));
  // A trigger that a later row shares must keep pointing at that later row.
  ReindexTrigger(Text(ColumnText(row, TableColumn::Trigger)));
  ReindexTrigger(Text(ColumnText(target, TableColumn::Trigger)));
  return true;
}

void CharacterTable::Clear() {
  rows_.clear();
  Changed();
  triggers_.Clear();
  current_ = -1;
}

void CharacterTable::BuildRowsFromRecords(const std::vector<CharacterEntry>& records) {
  rows_.clear();
  rows_.reserve(records.size());
  for (const CharacterEntry& record : records) rows_.push_back(MakeRow(record));
  Changed();
  triggers_.Build(*this);
  SelectRow(0);
}

int FindRowByPrefix(const CharacterTable& table, TextView text, int start, bool wrap,
                    bool partial) {
  const int count = table.RowCount();
  if (count == 0) return -1;
  if (start < 0 || start >= count) start = wrap ? 0 : count;
  const Text wanted = UpperText(text);
  auto matches = [&](int row) {
    const TextView shown = table.ColumnText(row, TableColumn::Trigger);
    if (partial ? shown.size() < wanted.size() : shown.size() != wanted.size()) return false;
    for (size_t i = 0; i < wanted.size(); ++i)
      if (UpperChar(shown[i]) != wanted[i]) return false;
    return true;
  };
  for (int row = start; row < count; ++row)
    if (matches(row)) return row;
  if (wrap)
    for (int row = 0; row < start; ++row)
      if (matches(row)) return row;
  return -1;
}

}  // namespace gw
