#include "commands/run_program.h"

namespace gw {

Text RunProgramCommandLine(TextView argument) {
  if (!argument.empty() && argument.front() == u'"') return Text(argument);
  Text line;
  line.reserve(argument.size() + 2);
  line.push_back(u'"');
  line.append(argument);
  line.push_back(u'"');
  return line;
}

Text CommandLineProgram(TextView command_line) {
  if (command_line.empty() || command_line.front() != u'"') return Text(command_line);
  const TextView rest = command_line.substr(1);
  const std::size_t close = rest.find(u'"');
  return Text(close == TextView::npos ? rest : rest.substr(0, close));
}

Text RunProgramFolder(TextView argument) {
  const std::size_t last = argument.rfind(u'\\');
  if (last == TextView::npos || last == 0) return Text();
  return Text(argument.substr(0, last + 1));
}

bool IsBatchFile(TextView path) {
  while (!path.empty() && (path.back() == u'.' || path.back() == u' ')) path.remove_suffix(1);
  // Only the last part of the path counts.
  const std::size_t slash = path.find_last_of(u"\\/");
  if (slash != TextView::npos) path.remove_prefix(slash + 1);
  if (path.size() < 4) return false;
  const TextView extension = path.substr(path.size() - 4);
  return EqualsIgnoreAsciiCase(extension, u".bat") || EqualsIgnoreAsciiCase(extension, u".cmd");
}

}  // namespace gw
