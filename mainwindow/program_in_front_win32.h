// Which program a window belongs to, and the rule that applies to it.
#pragma once
#include <windows.h>

#include <optional>

#include "base/text.h"
#include "settings/program_rules.h"

namespace gw {

struct WindowProgram {
  Text executable;    // full path of the process's image; empty when unreadable
  Text window_class;  // class of the window's root window
};

// The program of a window: its process opened for limited query, so that
// programs of other users and elevated ones are read as well.
WindowProgram ProgramOfWindow(HWND hwnd);

// The rule for a window from the settings' rules and the built-in ones;
// nothing for the program's own windows and for windows without a rule.
std::optional<ProgramRule> RuleForWindow(HWND hwnd);

}  // namespace gw
