// The few operating-system services that the portable core needs: whole-file
// reading and writing, folders, file times, code-page conversion and case
// mapping. One implementation for Windows, one for POSIX systems (so that the
// core can be tested natively).
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace gw {

enum class ReadResult { Ok, CannotOpen, ReadFailed };

// Reads a whole file (shared for reading; as a last attempt also shared with a
// writer). Fails when the file cannot be opened or not every byte was read.
ReadResult ReadWholeFile(const Text& path, std::string& bytes);

// The one function through which the program writes files. The bytes go to a
// temporary file in the same folder, which then replaces the target in one
// step, so that the target is always either the old file or the new one,
// whole. A read-only target, or one that another program holds open without
// sharing, makes the write fail and stays untouched. Returns true only when
// every byte reached the target.
bool WriteWholeFile(const Text& path, std::string_view bytes);

// Test hook, called before every WriteWholeFile. Return -1 to let the write
// go ahead, or n >= 0 to make the write fail after n bytes of the temporary
// file were written. An empty function removes the hook.
using FileWriteHook = std::function<long long(const Text& path, std::string_view bytes)>;
void SetFileWriteHook(FileWriteHook hook);

bool FileExists(const Text& path);       // a plain file
bool DirectoryExists(const Text& path);  // a folder
bool PathExists(const Text& path);       // anything of that name
bool RemoveFile(const Text& path);
bool CreateOneDirectory(const Text& path);

// Gives the file `from` the name `to` (in the same folder) in one step, and
// never over an existing file: an existing `to` stays as it is.
enum class MoveResult { Moved, SourceMissing, TargetExists, Failed };
MoveResult MoveFileNoReplace(const Text& from, const Text& to);

// Names of the plain files in `folder` (ending in a separator) whose name ends
// in `extension` (such as u".lng", compared without regard to case).
std::vector<Text> ListFilesWithExtension(const Text& folder, const Text& extension);

// Last-write time as whole seconds since 1970-01-01 00:00 local time; 0 when
// the file cannot be found.
long long FileStampOf(const Text& path);

// Text in the system's ANSI code page to UTF-16.
Text AnsiToText(std::string_view bytes);

}  // namespace gw
