// RunProgram starts a program or opens a document or web address: first as
// a process (CreateProcessW with the argument as its command line), then with
// the shell (ShellExecuteExW). The portable pieces are here; the Windows part
// is in commands/run_program_win32.cpp.
#pragma once
#include "base/text.h"

namespace gw {

// The command line: the argument unchanged when it begins with a double
// quote, otherwise the argument enclosed in double quotes.
Text RunProgramCommandLine(TextView argument);

// The program that a command line from RunProgramCommandLine starts: the
// text between its first double quote and the next one (the rest of the line
// when there is no closing quote).
Text CommandLineProgram(TextView command_line);

// The working folder handed to the shell: the argument up to and including
// its last backslash when it has a backslash after its first character;
// empty (no folder) otherwise.
Text RunProgramFolder(TextView argument);

// True when `path` names a batch file (".bat" or ".cmd", in any case, also
// with trailing dots or spaces, which Windows drops from file names).
// Windows runs those through the command shell, which would read the rest of
// the command line as shell commands; RunProgram starts none of them.
bool IsBatchFile(TextView path);

// Starts or opens `argument`; true when something was started or opened.
// Shows no message and never waits for the started program.
bool RunProgram(const Text& argument);

}  // namespace gw
