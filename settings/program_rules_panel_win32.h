// The Settings window's panel of rules per program: a list of the rules, the
// program's name, the way to insert, whether the hotkey is left to the
// program, and Add, Change, Remove and "Add the program in front". The
// rules are edited on a copy that OK applies.
#pragma once
#include <windows.h>

#include "base/events.h"
#include "settings/program_rules.h"

namespace gw {

// Control ids of the panel, in creation (and Tab) order.
enum ProgramRulesControl : int {
  kSetRules = 40,  // list view: program, way to insert, hotkey
  kSetProgramLabel = 41,
  kSetProgram = 42,
  kSetMethodLabel = 43,
  kSetMethod = 44,  // Typing, Pasting, Typing the code
  kSetPassHotkey = 45,
  kSetAddRule = 46,
  kSetChangeRule = 47,
  kSetRemoveRule = 48,
  kSetAddInFront = 49,
  kSetUnreadable = 50,  // says how many lines of the section could not be read
  kSetRulesGroup = 51,
};

// The panel's left edge and width in layout units, right of the other
// controls.
inline constexpr int kRulesPanelLeft = 345;
inline constexpr int kRulesPanelWidth = 330;

// Makes the panel's controls in `window` and fills them from `rules`.
void CreateProgramRulesPanel(HWND window, const ProgramRules& rules);

// The rules as edited.
const ProgramRules& EditedProgramRules();

// Up and Down while a control of the panel has the focus; false when none
// has it.
bool StepProgramRulesPanel(int delta);

// Enter on one of the panel's buttons presses it; false when no button of
// the panel has the focus.
bool PressFocusedRulesButton();

// A control event of the panel; false when it is not the panel's.
bool DispatchProgramRulesPanel(const Event& event);

}  // namespace gw
