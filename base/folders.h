// Program folder, data folder and folder creation.
#pragma once

#include <functional>

#include "base/text.h"

namespace gw {

// The folder part of the executable's full path, up to and including the
// last backslash (or slash).
Text ProgramFolderOf(const Text& exe_path);

// The last component of a folder path: trailing backslashes removed, then
// the part after the last backslash or slash.
Text LastFolderComponent(const Text& folder);

// Where the settings file and the character file live. `program_files` is the
// shell's Program Files folder and `app_data` the roaming application-data
// folder (both may be empty when the shell cannot tell). A program below
// Program Files (compared without regard to case) counts as installed and
// keeps its data in app_data\<last component of the program folder>\;
// otherwise the data lives beside the program. The result ends in a
// backslash.
Text DataFolderFor(const Text& program_folder, Text program_files, Text app_data);

// The same, with the per-user folder asked for only when it is needed (the
// look-up takes a few milliseconds of every start).
Text DataFolderFor(const Text& program_folder, Text program_files,
                   const std::function<Text()>& app_data);

// True when `data_folder` is the per-user folder rather than the program folder.
bool IsPerUserDataFolder(const Text& data_folder, const Text& program_folder);

// Creates a folder together with any missing parent folders. The root (a
// drive such as C: or the server of a UNC path) is never created. Folders
// created before a failure stay.
bool EnsureDirectory(const Text& path);

}  // namespace gw
