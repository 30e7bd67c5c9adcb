#include "commands/run_at_startup.h"

namespace gw {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// Splits off the first argument the way Windows reads a program name: up to
// the closing quote when it starts with one, else up to the first blank.
// Returns the argument without its quotes; `rest` is what follows it.
Text FirstArgument(TextView line, TextView& rest) {
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  Text argument;
  if (i < line.size() && line[i] == u'"') {
    size_t end = line.find(u'"', i + 1);
    if (end == TextView::npos) end = line.size();
    argument = Text(line.substr(i + 1, end - i - 1));
    rest = end < line.size() ? line.substr(end + 1) : TextView();
  } else {
    size_t end = i;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    argument = Text(line.substr(i, end - i));
    rest = line.substr(end);
  }
  return argument;
}

}  // namespace

bool StartupApprovalIsOff(const std::vector<std::uint8_t>& approval) {
  return !approval.empty() && (approval.front() & 1u) != 0;
}

RunAtStartupState RunAtStartupStateOf(const StartupReadings& readings) {
  if (readings.machine_value && !StartupApprovalIsOff(readings.machine_approval))
    return RunAtStartupState::ByAdministrator;
  if (readings.user_value && !StartupApprovalIsOff(readings.user_approval))
    return RunAtStartupState::On;
  return RunAtStartupState::Off;
}

Text RunAtStartupCommand(TextView exe_path) {
  Text command(u"\"");
  command += exe_path;
  command += u"\" ";
  command += kTraySwitch;
  return command;
}

bool RunValueNamesProgram(TextView value, TextView exe_path) {
  TextView rest;
  const Text program = FirstArgument(value, rest);
  return !program.empty() && UpperText(program) == UpperText(exe_path);
}

bool HasTraySwitch(TextView command_line) {
  TextView rest;
  FirstArgument(command_line, rest);  // the program's own name
  while (!rest.empty()) {
    const Text argument = FirstArgument(rest, rest);
    if (EqualsIgnoreAsciiCase(argument, kTraySwitch)) return true;
  }
  return false;
}

}  // namespace gw
