// Rules per program: how a row's text goes into a program's window (typed,
// pasted, or its code typed) and whether the hotkey is left to that program
// while it is in front. Kept in Glyphwell.ini, section [Programs], one line a
// program:
//
//   [Programs]
//   WindowsTerminal.exe = Paste
//   devenv.exe = Type, PassHotkey
#pragma once
#include <optional>
#include <vector>

#include "base/text.h"

namespace gw {

enum class InsertMethod { Type, Paste, Code };

struct ProgramRule {
  Text program;  // the executable's file name as written ("devenv.exe")
  InsertMethod method = InsertMethod::Type;
  bool pass_hotkey = false;

  bool operator==(const ProgramRule&) const = default;
};

struct ProgramRules {
  std::vector<ProgramRule> rules;  // in file order, one per program
  // Lines of the section that could not be read, exactly as written; they
  // are ignored and written back as they are.
  std::vector<Text> unreadable;

  bool empty() const { return rules.empty() && unreadable.empty(); }
  bool operator==(const ProgramRules&) const = default;
};

// The file name of a path ("C:\\x\\devenv.exe" -> "devenv.exe"); the text
// itself when it names no folder.
TextView ProgramFileName(TextView path);

// Reads one line's value ("Paste", "Type, PassHotkey", ...): the method word
// first, then PassHotkey after a comma, words in any case, blanks around them
// ignored. Nothing when the value is not of that form.
std::optional<ProgramRule> ParseProgramRule(TextView name, TextView value);

// A rule as its line is written ("devenv.exe = Type, PassHotkey").
Text ProgramRuleLine(const ProgramRule& rule);

// Adds one line of the section: a rule, or an unreadable line (a name that is
// empty, a value that does not read, a program that already has a rule).
void AddProgramLine(ProgramRules& rules, TextView name, TextView value, TextView raw_line);

// The rule for a window in front: its process's executable (a full path or a
// file name) and its window class. The file's rule for the executable comes
// first; a console window (class "ConsoleWindowClass", whose process the
// system reports as the console program it runs) takes the file's rule for
// conhost.exe; then the built-in rules. Names match without regard to case.
// Nothing when no rule applies: the text is typed as always.
std::optional<ProgramRule> FindProgramRule(const ProgramRules& rules, TextView executable,
                                           TextView window_class);

// The built-in rules: the console hosts and Windows Terminal paste. They are
// never written to the file.
const std::vector<ProgramRule>& BuiltInProgramRules();

// Terminals paste with Ctrl+Shift+V rather than Ctrl+V.
bool IsTerminal(TextView executable, TextView window_class);

// Whether two program names name the same program.
bool SameProgram(TextView a, TextView b);

}  // namespace gw
