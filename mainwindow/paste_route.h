// The paste route: for programs whose rule says Paste, the text goes through
// the clipboard, and the user's clipboard is kept and given back afterwards.
// The decisions are portable; paste_route_win32.cpp does the clipboard work.
#pragma once
#include <cstdint>
#include <vector>

#include "base/text.h"
#include "mainwindow/insertion.h"

namespace gw {

// How one clipboard format is kept while the text is on the clipboard.
enum class FormatKeeping {
  Memory,       // a block of global memory, copied as it is
  EnhMetafile,  // an enhanced metafile, copied with CopyEnhMetaFile
  Derived,      // the system makes it again from another format that is kept
  Lost,         // a handle that cannot be copied (a bitmap alone, a private handle)
};

// `format` among the formats `present` on the clipboard.
FormatKeeping HowToKeepFormat(std::uint32_t format, const std::vector<std::uint32_t>& present);

// The keys that paste: Ctrl+V, or Ctrl+Shift+V in a terminal. Shift is let
// go first elsewhere, so that Shift+Enter does not turn Ctrl+V into a
// program's "paste special".
std::vector<KeyRecord> PasteKeyRecords(bool terminal);

// --- Win32 shell (paste_route_win32.cpp) ---------------------------------------

enum class PasteResult {
  Pasted,           // the text was pasted and the clipboard given back as it was
  ClipboardBusy,    // another program held the clipboard: nothing was done
  CannotKeep,       // the clipboard holds data that cannot be kept: nothing was done
  NotGivenBack,     // pasted, but the user's clipboard could not be put back
};

// Pastes `text` into the window in front (`terminal`: with Ctrl+Shift+V).
// The clipboard's content is kept first; the text is marked so that the
// clipboard history and the cloud clipboard leave it out, and is handed out
// only when the program reads it; once it has, or after a short time, the
// kept content is put back.
PasteResult PasteIntoWindowInFront(const Text& text, bool terminal);

// Tells the user what went wrong on the paste route (a balloon of the tray
// icon, or a message when there is none); nothing for Pasted.
void TellPasteResult(PasteResult result);

}  // namespace gw
