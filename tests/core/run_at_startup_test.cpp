#include <gtest/gtest.h>

#include "commands/run_at_startup.h"

namespace gw {
namespace {

TEST(RunAtStartup, TheValueNamesThisProgramAndStartsItInTheTray) {
  const Text exe = u"C:\\Program Files\\Glyphwell\\Glyphwell.exe";
  const Text value = RunAtStartupCommand(exe);
  EXPECT_EQ(value, u"\"C:\\Program Files\\Glyphwell\\Glyphwell.exe\" /tray");
  EXPECT_TRUE(RunValueNamesProgram(value, exe));
  EXPECT_TRUE(HasTraySwitch(value));
  // Windows paths ignore letter case.
  EXPECT_TRUE(RunValueNamesProgram(value, u"c:\\program files\\GLYPHWELL\\glyphwell.EXE"));
  // An unquoted value without blanks in its path still names the program.
  EXPECT_TRUE(RunValueNamesProgram(u"D:\\Tools\\Glyphwell.exe /tray", u"D:\\Tools\\Glyphwell.exe"));
}

TEST(RunAtStartup, AnotherCopyOrAnotherProgramIsNotThisOne) {
  const Text exe = u"D:\\Portable\\Glyphwell\\Glyphwell.exe";
  EXPECT_FALSE(RunValueNamesProgram(
      u"\"C:\\Program Files\\Glyphwell\\Glyphwell.exe\" /tray", exe));
  EXPECT_FALSE(RunValueNamesProgram(u"\"D:\\Portable\\Glyphwell\\Glyphwell.exe2\" /tray", exe));
  EXPECT_FALSE(RunValueNamesProgram(u"\"D:\\Portable\\Glyphwell\" /tray", exe));
  EXPECT_FALSE(RunValueNamesProgram(u"", exe));
  EXPECT_FALSE(RunValueNamesProgram(u"\"\"", exe));
  // Unquoted, a path with a blank ends at the blank, as Windows reads it first.
  EXPECT_FALSE(RunValueNamesProgram(u"C:\\Program Files\\G\\Glyphwell.exe",
                                    u"C:\\Program Files\\G\\Glyphwell.exe"));
  // A quote that never closes takes the rest of the line.
  EXPECT_TRUE(RunValueNamesProgram(u"\"D:\\Portable\\Glyphwell\\Glyphwell.exe", exe));
}

TEST(RunAtStartup, OnlyTheSwitchAsAnArgumentCounts) {
  EXPECT_FALSE(HasTraySwitch(u"\"C:\\Program Files\\Glyphwell\\Glyphwell.exe\""));
  EXPECT_FALSE(HasTraySwitch(u"Glyphwell.exe"));
  EXPECT_FALSE(HasTraySwitch(u"\"C:\\a /tray\\Glyphwell.exe\""));  // inside the program's path
  EXPECT_FALSE(HasTraySwitch(u"/tray"));                            // the program's name itself
  EXPECT_FALSE(HasTraySwitch(u"Glyphwell.exe /trays"));
  EXPECT_FALSE(HasTraySwitch(u"Glyphwell.exe -tray"));
  EXPECT_TRUE(HasTraySwitch(u"Glyphwell.exe /TRAY"));
  EXPECT_TRUE(HasTraySwitch(u"Glyphwell.exe\t\"/tray\""));
  EXPECT_TRUE(HasTraySwitch(u"\"C:\\G\\Glyphwell.exe\"/tray"));
  EXPECT_TRUE(HasTraySwitch(u"Glyphwell.exe x \"\" /tray   "));
}

TEST(RunAtStartup, WindowsSwitchAndTheAdministratorsValue) {
  EXPECT_FALSE(StartupApprovalIsOff({}));
  EXPECT_FALSE(StartupApprovalIsOff({0x02, 0, 0, 0}));
  EXPECT_FALSE(StartupApprovalIsOff({0x06, 0, 0, 0}));
  EXPECT_TRUE(StartupApprovalIsOff({0x03, 0, 0, 0, 0xd4, 0x0d}));
  EXPECT_TRUE(StartupApprovalIsOff({0x07}));
  using S = RunAtStartupState;
  const std::vector<std::uint8_t> off{0x03}, on{0x02};
  EXPECT_EQ(RunAtStartupStateOf({true, on, false, {}}), S::On);
  EXPECT_EQ(RunAtStartupStateOf({true, off, false, {}}), S::Off);
  EXPECT_EQ(RunAtStartupStateOf({false, {}, true, {}}), S::ByAdministrator);
  EXPECT_EQ(RunAtStartupStateOf({true, off, true, {}}), S::ByAdministrator);
  // The machine's entry turned off: the user's own value counts.
  EXPECT_EQ(RunAtStartupStateOf({true, {}, true, off}), S::On);
  EXPECT_EQ(RunAtStartupStateOf({false, {}, true, off}), S::Off);
}

}  // namespace
}  // namespace gw
