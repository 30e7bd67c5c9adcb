// One copy of the program per character file: two copies on the same table
// would overwrite each other's changes, while copies on different tables (a
// portable one beside an installed one) have nothing to share. The rules that
// need no Windows are here; app/single_instance_win32.cpp takes the mutex and
// hands over to the running copy.
#pragma once
#include <cstdint>

#include "base/text.h"

namespace gw {

// The key of the character file at `path` (a full path): the same for every
// spelling of that path Windows takes for the same file (letter case, "/" for
// "\", repeated separators), and short enough for any object name however long
// the path.
std::uint64_t InstanceKey(TextView path);

// The name of the mutex that the copy on that character file holds, per
// session (each user of a Remote Desktop server runs their own copies).
Text InstanceMutexName(std::uint64_t key);

}  // namespace gw
