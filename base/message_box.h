// Every message box of the program goes through ShowMessage: the title, the
// owner and the topmost handling live here.
#pragma once
#include <functional>

#include "base/text.h"

namespace gw {

// Program name with version; window title, message-box title and the key of
// the single-instance check.
inline constexpr char16_t kWindowTitle[] = u"Glyphwell 1.11 (x64)";

// Shows a message box with the program's title. `flags` are MessageBoxW's
// (MB_ICONERROR, MB_YESNO, ...). The owner is the program's foreground window,
// or none when another program is in front. While the box is shown, the
// program's topmost windows are not topmost. Returns the button pressed.
int ShowMessage(const Text& text, unsigned flags);

// Test hook: when set, it is called instead of showing a box and its result is
// returned.
using MessageBoxHook = std::function<int(const Text& text, unsigned flags)>;
void SetMessageBoxHook(MessageBoxHook hook);

}  // namespace gw
