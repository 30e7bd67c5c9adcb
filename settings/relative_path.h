// Paths relative to a folder: the Command field of the Settings window takes
// a dropped program's path relative to the program folder when Shift is held,
// so that a portable installation keeps working from another drive letter.
#pragma once
#include "base/text.h"

namespace gw {

// `path` relative to the folder `base`, where the two share a root.
//
// Forward slashes count as backslashes in both. An empty base stands for the
// current folder; a base without a trailing backslash is taken as the folder
// it names. A "\\?\" prefix is dropped from the base, and from the path for
// the comparison. The two are compared without regard to letter case up to
// the last backslash they have in common; the result is then one "..\" for
// every folder of the base below that point, followed by the rest of the
// path. When the common beginning does not hold the path's whole root (the
// drive "C:\", or "\\server\share\" of a network path), the path comes back
// as it is, with its "\\?\" prefix, slashes turned into backslashes.
//
//   base C:\Tools\App\, path C:\Tools\Map\map.exe  ->  ..\Map\map.exe
//   base C:\Tools\App\, path C:\Tools\App\x\y.exe  ->  x\y.exe
//   base C:\Tools\App\, path D:\map.exe            ->  D:\map.exe
Text MakeRelativePath(TextView path, TextView base);

// The length of the root of a path written with backslashes: 3 for "C:\",
// the length of "\\server\share\" for a network path, 4 for "UNC\" forms
// after a dropped "\\?\" ("UNC\server\share\"), 1 for "\folder", 0 for a
// relative path. A network path without its share (or without the backslash
// after it) has no complete root: the result is then longer than the path.
std::size_t PathRootLength(TextView path);

}  // namespace gw
