// Windows silently drops the keys that a program synthesises for a window of
// a process at a higher integrity level, such as a program run as
// administrator while Glyphwell runs as a standard user. Before typing, the
// integrity levels are compared; where typing would go nowhere, the text goes
// to the clipboard instead and the user is told how to paste it.
#pragma once
#include <cstdint>
#include <optional>

namespace gw {

// What could be learnt of the two processes. A level is the relative id of
// the process token's mandatory label (0x2000 medium, 0x3000 high, ...).
struct IntegrityReadings {
  std::optional<std::uint32_t> own;  // this program's level; none when unreadable
  bool target_opened = false;  // the target's process could be opened for limited query
  std::optional<std::uint32_t> target;  // its level; none when its token could not be read
};

enum class InsertionRoute {
  Type,       // synthesised keys reach the target
  Clipboard,  // they would be dropped: put the text on the clipboard and say so
};

// A target above this program gets the clipboard, and so does one whose
// process opens for limited query but whose token cannot be read (which is
// what a process run as administrator shows a standard user). A process that
// cannot be opened at all belongs to another user or session at no higher
// level, as far as can be known: Windows lets typed keys through to it, so it
// is typed into. Without this program's own level there is nothing to
// compare with, and the text is typed as always.
InsertionRoute ChooseInsertionRoute(const IntegrityReadings& readings);

}  // namespace gw
