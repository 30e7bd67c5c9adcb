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

}  // namespace
}  // namespace gw
