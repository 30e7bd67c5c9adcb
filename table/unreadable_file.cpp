#include "table/unreadable_file.h"

#include "base/platform.h"
#include "table/character_file.h"

namespace gw {

Text KeptFilePath(const Text& character_path, int number) {
  const size_t separator = character_path.find_last_of(u"\\/");
  const size_t name_start = separator == Text::npos ? 0 : separator + 1;
  size_t dot = character_path.rfind(u'.');
  if (dot == Text::npos || dot <= name_start) dot = character_path.size();
  Text kept = character_path.substr(0, dot) + u".unreadable";
  if (number > 1) kept += u" (" + NumberText(number) + u")";
  return kept + character_path.substr(dot);
}

KeepResult KeepUnreadableFile(const Text& path) {
  KeepResult result;
  for (int number = 1; number <= kMaxKeptCopies; ++number) {
    const Text kept = KeptFilePath(path, number);
    switch (MoveFileNoReplace(path, kept)) {
      case MoveResult::Moved:
        result.status = KeepStatus::Kept;
        result.kept_path = kept;
        return result;
      case MoveResult::SourceMissing:
        result.status = KeepStatus::NothingToKeep;
        return result;
      case MoveResult::TargetExists:
        continue;  // an earlier kept copy: the next name
      case MoveResult::Failed:
        result.status = KeepStatus::Failed;
        return result;
    }
  }
  result.status = KeepStatus::Failed;
  return result;
}

SaveResult SaveCharacterTable(const CharacterTable& table, const Text& path, int skip_row,
                              bool& unreadable) {
  SaveResult result;
  KeepResult keep;
  if (unreadable) {
    keep = KeepUnreadableFile(path);
    if (keep.status == KeepStatus::Failed) {
      result.outcome = SaveOutcome::KeepFailed;
      return result;
    }
  }
  if (!WriteCharacterFile(table, path, skip_row)) {
    result.outcome = SaveOutcome::WriteFailed;
    // Nothing was written: the user's file goes back where it was.
    if (keep.status == KeepStatus::Kept &&
        MoveFileNoReplace(keep.kept_path, path) != MoveResult::Moved)
      result.kept_path = keep.kept_path;
    return result;
  }
  unreadable = false;
  if (keep.status == KeepStatus::Kept) {
    result.outcome = SaveOutcome::Kept;
    result.kept_path = keep.kept_path;
  }
  return result;
}

}  // namespace gw
