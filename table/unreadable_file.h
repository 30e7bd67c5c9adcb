// A character file that failed to read is the user's work, often a table
// edited by hand with a slip in it. Before a change of the table shown is
// written over it, the file is moved aside in its own folder under a name of
// its own, and only then is the table written.
#pragma once
#include "base/text.h"
#include "table/character_table.h"

namespace gw {

// The name of the `number`-th kept copy (1, 2, ...) beside the character
// file: "Characters.unreadable.json", "Characters.unreadable (2).json", ...
Text KeptFilePath(const Text& character_path, int number);
// How many names are tried before keeping counts as failed.
inline constexpr int kMaxKeptCopies = 1000;

enum class KeepStatus {
  NothingToKeep,  // no file at the path (it vanished): nothing to move aside
  Kept,           // moved to `kept_path`, which held nothing before
  Failed,         // it could not be moved (held open by another program, folder unwritable)
};

struct KeepResult {
  KeepStatus status = KeepStatus::NothingToKeep;
  Text kept_path;
};

// Moves the file at `path` to the first free name of KeptFilePath. An
// earlier kept copy is never written over.
KeepResult KeepUnreadableFile(const Text& path);

enum class SaveOutcome {
  Written,      // the table is in the file
  Kept,         // the unreadable file was moved to `kept_path`, then the table written
  KeepFailed,   // the unreadable file could not be moved aside: nothing was written
  WriteFailed,  // the table could not be written; a file moved aside went back to its
                // place, or, when even that failed, stays at `kept_path`
};

struct SaveResult {
  SaveOutcome outcome = SaveOutcome::Written;
  Text kept_path;
};

// Writes the table's rows (leaving out `skip_row`, -1 for none) to the
// character file at `path`. `unreadable` says that the file there failed to
// read, so that the table shown is not its content: it is then kept first,
// and nothing is written unless that worked. `unreadable` is cleared once the
// table is written.
SaveResult SaveCharacterTable(const CharacterTable& table, const Text& path, int skip_row,
                              bool& unreadable);

}  // namespace gw
