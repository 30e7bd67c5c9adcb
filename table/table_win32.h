// The Win32 side of saving the table: writes the character file after a
// change, then tells the user what went wrong or where an unreadable file
// was kept.
#pragma once
#include "base/text.h"
#include "table/unreadable_file.h"

namespace gw {

// Writes the table shown (leaving out `skip_row`, -1 for none) to the
// character file at `path`; a file there that failed to read is moved aside
// first (SaveCharacterTable). Shows nothing: the caller finishes its change
// or undoes it, then calls ReportSave.
SaveResult SaveTableShown(const Text& path, int skip_row);
inline bool Saved(const SaveResult& result) {
  return result.outcome == SaveOutcome::Written || result.outcome == SaveOutcome::Kept;
}

// Tells the user what the save did when there is something to say: where
// the unreadable file is kept (once, when it was moved aside), "Can't write
// file:" with the path, or that the unreadable file could not be moved aside
// and so nothing was written.
void ReportSave(const SaveResult& result, const Text& path);

}  // namespace gw
