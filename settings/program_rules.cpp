#include "settings/program_rules.h"

namespace gw {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

TextView Trim(TextView text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<InsertMethod> MethodOfWord(TextView word) {
  if (EqualsIgnoreAsciiCase(word, u"Type")) return InsertMethod::Type;
  if (EqualsIgnoreAsciiCase(word, u"Paste")) return InsertMethod::Paste;
  if (EqualsIgnoreAsciiCase(word, u"Code")) return InsertMethod::Code;
  return std::nullopt;
}

const char16_t* MethodWord(InsertMethod method) {
  switch (method) {
    case InsertMethod::Paste:
      return u"Paste";
    case InsertMethod::Code:
      return u"Code";
    case InsertMethod::Type:
    default:
      return u"Type";
  }
}

constexpr char16_t kConsoleClass[] = u"ConsoleWindowClass";
constexpr char16_t kConsoleHost[] = u"conhost.exe";

const ProgramRule* FindIn(const std::vector<ProgramRule>& rules, TextView name) {
  for (const ProgramRule& rule : rules)
    if (SameProgram(rule.program, name)) return &rule;
  return nullptr;
}

}  // namespace

TextView ProgramFileName(TextView path) {
  const size_t slash = path.find_last_of(u"\\/");
  return slash == TextView::npos ? path : path.substr(slash + 1);
}

bool SameProgram(TextView a, TextView b) {
  a = ProgramFileName(a);
  b = ProgramFileName(b);
  if (a.size() != b.size()) return false;
  for (size_t k = 0; k < a.size(); ++k)
    if (a[k] != b[k] && LowerChar(a[k]) != LowerChar(b[k])) return false;
  return true;
}

std::optional<ProgramRule> ParseProgramRule(TextView name, TextView value) {
  name = Trim(name);
  if (name.empty() || ProgramFileName(name).empty()) return std::nullopt;
  ProgramRule rule;
  rule.program = Text(name);
  const size_t comma = value.find(u',');
  const auto method = MethodOfWord(Trim(value.substr(0, comma)));
  if (!method) return std::nullopt;
  rule.method = *method;
  if (comma != TextView::npos) {
    if (!EqualsIgnoreAsciiCase(Trim(value.substr(comma + 1)), u"PassHotkey")) return std::nullopt;
    rule.pass_hotkey = true;
  }
  return rule;
}

Text ProgramRuleLine(const ProgramRule& rule) {
  Text line = rule.program + u" = " + MethodWord(rule.method);
  if (rule.pass_hotkey) line += u", PassHotkey";
  return line;
}

void AddProgramLine(ProgramRules& rules, TextView name, TextView value, TextView raw_line) {
  auto rule = ParseProgramRule(name, value);
  if (rule && !FindIn(rules.rules, rule->program))
    rules.rules.push_back(std::move(*rule));
  else
    rules.unreadable.emplace_back(raw_line);
}

const std::vector<ProgramRule>& BuiltInProgramRules() {
  static const std::vector<ProgramRule> built_in = {
      {kConsoleHost, InsertMethod::Paste, false},
      {u"OpenConsole.exe", InsertMethod::Paste, false},
      {u"WindowsTerminal.exe", InsertMethod::Paste, false},
  };
  return built_in;
}

std::optional<ProgramRule> FindProgramRule(const ProgramRules& rules, TextView executable,
                                           TextView window_class) {
  const bool console = window_class == kConsoleClass;
  if (const ProgramRule* rule = FindIn(rules.rules, executable)) return *rule;
  if (console) {
    if (const ProgramRule* rule = FindIn(rules.rules, kConsoleHost)) return *rule;
    return BuiltInProgramRules().front();
  }
  if (const ProgramRule* rule = FindIn(BuiltInProgramRules(), executable)) return *rule;
  return std::nullopt;
}

bool IsTerminal(TextView executable, TextView window_class) {
  return window_class == kConsoleClass || window_class == u"CASCADIA_HOSTING_WINDOW_CLASS" ||
         FindIn(BuiltInProgramRules(), executable) != nullptr;
}

}  // namespace gw
