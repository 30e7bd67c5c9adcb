#include "settings/program_rules.h"

#include <gtest/gtest.h>

#include "settings/ini_reader.h"

namespace gw {
namespace {

ProgramRules Read(std::string_view file) {
  IniReader reader;
  reader.OpenBytes(file);
  ProgramRules rules;
  for (const auto& group : reader.Groups())
    if (EqualsIgnoreAsciiCase(group.name, u"Programs"))
      for (const auto& key : group.keys) AddProgramLine(rules, key.name, key.value, key.line);
  return rules;
}

TEST(ProgramRulesTest, ReadsMethodsAndPassHotkeyInAnyCaseAndKeepsDamagedLinesAsWritten) {
  const ProgramRules rules = Read(
      "[Programs]\r\n"
      "WindowsTerminal.exe = Paste\r\n"
      "  devenv.exe=type ,  PASSHOTKEY  \r\n"
      "notepad++.exe = CODE\r\n"
      "C:\\Tools\\far.exe = Type, PassHotkey\r\n"
      "broken.exe = Paste, Sometimes\r\n"
      "nothing.exe\r\n"
      " = Paste\r\n"
      "DEVENV.EXE = Paste\r\n"
      "empty.exe =\r\n"
      "[Other]\r\nx.exe = Paste\r\n");
  const std::vector<ProgramRule> expected = {
      {u"WindowsTerminal.exe", InsertMethod::Paste, false},
      {u"devenv.exe", InsertMethod::Type, true},
      {u"notepad++.exe", InsertMethod::Code, false},
      {u"C:\\Tools\\far.exe", InsertMethod::Type, true},
  };
  EXPECT_EQ(rules.rules, expected);
  const std::vector<Text> damaged = {u"broken.exe = Paste, Sometimes", u"nothing.exe", u"= Paste",
                                     u"DEVENV.EXE = Paste", u"empty.exe ="};
  EXPECT_EQ(rules.unreadable, damaged);
}

TEST(ProgramRulesTest, MatchesFileNamesWithoutRegardToCaseOrFolder) {
  ProgramRules rules;
  rules.rules = {{u"devenv.exe", InsertMethod::Type, true},
                 {u"C:\\Tools\\Far.exe", InsertMethod::Code, false},
                 {u"Ärger.exe", InsertMethod::Paste, false}};
  auto rule = FindProgramRule(rules, u"C:\\Program Files\\VS\\DevEnv.EXE", u"HwndWrapper");
  ASSERT_TRUE(rule);
  EXPECT_TRUE(rule->pass_hotkey);
  rule = FindProgramRule(rules, u"D:\\other\\far.exe", u"");
  ASSERT_TRUE(rule);
  EXPECT_EQ(rule->method, InsertMethod::Code);
  EXPECT_TRUE(FindProgramRule(rules, u"ärger.exe", u""));
  EXPECT_FALSE(FindProgramRule(rules, u"C:\\Windows\\notepad.exe", u"Notepad"));
  EXPECT_FALSE(FindProgramRule(rules, u"devenv.exe.bak", u""));
  EXPECT_FALSE(FindProgramRule(rules, u"", u""));
}

TEST(ProgramRulesTest, BuiltInRulesPasteInConsolesAndTerminalsAndTheFileOverridesThem) {
  ProgramRules none;
  // The system reports a console window's process as the program it runs.
  auto rule = FindProgramRule(none, u"C:\\Windows\\System32\\cmd.exe", u"ConsoleWindowClass");
  ASSERT_TRUE(rule);
  EXPECT_EQ(rule->method, InsertMethod::Paste);
  rule = FindProgramRule(none, u"C:\\x\\WINDOWSTERMINAL.exe", u"CASCADIA_HOSTING_WINDOW_CLASS");
  ASSERT_TRUE(rule);
  EXPECT_EQ(rule->method, InsertMethod::Paste);
  EXPECT_TRUE(FindProgramRule(none, u"openconsole.exe", u""));

  ProgramRules file;
  file.rules = {{u"conhost.exe", InsertMethod::Type, true},
                {u"windowsterminal.exe", InsertMethod::Code, false}};
  rule = FindProgramRule(file, u"cmd.exe", u"ConsoleWindowClass");
  ASSERT_TRUE(rule);
  EXPECT_EQ(rule->method, InsertMethod::Type);
  EXPECT_TRUE(rule->pass_hotkey);
  rule = FindProgramRule(file, u"WindowsTerminal.exe", u"");
  ASSERT_TRUE(rule);
  EXPECT_EQ(rule->method, InsertMethod::Code);

  EXPECT_TRUE(IsTerminal(u"cmd.exe", u"ConsoleWindowClass"));
  EXPECT_TRUE(IsTerminal(u"C:\\x\\WindowsTerminal.exe", u""));
  EXPECT_FALSE(IsTerminal(u"wordpad.exe", u"WORDPADTOP"));
}

}  // namespace
}  // namespace gw
