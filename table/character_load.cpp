#include "base/platform.h"
#include "settings/ini_reader.h"
#include "table/character_file.h"
#include "table/code_notation.h"
#include "table/default_table.h"

namespace gw {

Text LegacyListPath(const Text& character_path) {
  const size_t separator = character_path.find_last_of(u"\\/");
  const size_t name_start = separator == Text::npos ? 0 : separator + 1;
  const size_t dot = character_path.rfind(u'.');
  Text legacy = character_path;
  if (dot != Text::npos && dot > name_start) legacy.resize(dot);
  legacy += u".lst";
  return legacy;
}

namespace {

LoadStatus Load(const Text& path, std::vector<CharacterEntry>& records, ReadProblem& problem) {
  if (ReadCharacterFile(path, records, &problem)) return LoadStatus::Read;
  // A file that is there but does not read is the user's data: never fall
  // back to anything that the first write would put in its place.
  if (PathExists(path)) return LoadStatus::Unreadable;
  problem = ReadProblem();

  records.clear();
  IniReader legacy;
  if (!legacy.Open(LegacyListPath(path))) {
    records = DefaultCharacterEntries();
    return LoadStatus::NotRead;
  }
  if (legacy.Groups().empty()) return LoadStatus::ReadError;
  for (const IniReader::Key& key : legacy.Groups().front().keys) {
    if (!IsValidCodeText(key.name)) return LoadStatus::ReadError;
    records.push_back(CharacterEntry{Text(), key.name, key.value});
  }
  return LoadStatus::ImportedLegacy;
}

}  // namespace

LoadResult LoadCharacterTable(const Text& path, std::vector<CharacterEntry>& records) {
  LoadResult result;
  result.status = Load(path, records, result.problem);
  if (result.status == LoadStatus::ReadError || result.status == LoadStatus::Unreadable)
    records.clear();
  return result;
}

RereadDecision DecideReread(FileStamp stored, FileStamp current, bool read_succeeded) {
  RereadDecision decision;
  decision.stamp = current;
  if (stored == current) decision.action = RereadAction::Unchanged;
  else decision.action = read_succeeded ? RereadAction::Reread : RereadAction::Failed;
  return decision;
}

RereadDecision CheckCharacterFile(const Text& path, FileStamp stored, CharacterTable& table) {
  const FileStamp current = ReadFileStamp(path);
  if (current == stored) return DecideReread(stored, current, false);
  ReadProblem problem;
  RereadDecision decision = DecideReread(stored, current, ReadCharacterRows(path, table, &problem));
  if (decision.action == RereadAction::Failed) decision.problem = problem;
  return decision;
}

}  // namespace gw
