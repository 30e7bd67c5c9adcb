// The portable rules of the auxiliary commands: the update check's addresses,
// body rules and version comparison, RunProgram's command line and folder,
// and the About window's texts and layout.
#include <gtest/gtest.h>

#include <string>

#include "commands/about.h"
#include "commands/run_program.h"
#include "commands/update_check.h"

namespace gw {
namespace {

VersionDownload Answer(std::string body, long status = 200) {
  VersionDownload d;
  d.arrived = true;
  d.status = status;
  d.body = std::move(body);
  return d;
}

TEST(UpdateAddressTest, PageAndVersionFileBelowTheWebsite) {
  EXPECT_EQ(ProgramPageAddress(u"https://example.org/"), u"https://example.org/prog/");
  EXPECT_EQ(ProgramPageAddress(u"https://example.org/tools"), u"https://example.org/tools/prog/");
  EXPECT_EQ(VersionFileAddress(u"https://example.org/prog/"),
            u"https://example.org/prog/glyphwell.vsn");
  const Text website = WebsiteAddress();
  ASSERT_FALSE(website.empty());
  EXPECT_EQ(website.back(), u'/');
  EXPECT_EQ(website.rfind(u"https://", 0), 0u) << "the built-in address must be a secure one";
}

TEST(UpdateBodyTest, ShortSuccessfulBodiesAreVersionTexts) {
  EXPECT_EQ(VersionTextFromDownload(Answer("1.12")), u"1.12");
  EXPECT_EQ(VersionTextFromDownload(Answer("1.11\n")), u"1.11\n");
  EXPECT_EQ(VersionTextFromDownload(Answer(std::string(16, '9'))), Text(16, u'9'));
  EXPECT_EQ(VersionTextFromDownload(Answer(std::string("1.2\0garbage", 11))), u"1.2");
  EXPECT_EQ(VersionTextFromDownload(Answer("2.0\xC3\xA9")), u"2.0\u00E9");
  EXPECT_EQ(VersionTextFromDownload(Answer("1.\xFF")), u"1.\uFFFD");
}

TEST(UpdateBodyTest, MissingLongEmptyAndErrorBodiesGiveNoText) {
  EXPECT_EQ(VersionTextFromDownload(Answer(std::string(17, '1'))), u"");
  EXPECT_EQ(VersionTextFromDownload(Answer("")), u"");
  EXPECT_EQ(VersionTextFromDownload(Answer(std::string("\0" "1.12", 5))), u"");
  // Short error pages are no version files, whatever they say.
  EXPECT_EQ(VersionTextFromDownload(Answer("Not Found", 404)), u"");
  EXPECT_EQ(VersionTextFromDownload(Answer("1.12", 500)), u"");
  EXPECT_EQ(VersionTextFromDownload(Answer("1.12", 0)), u"");
  VersionDownload failed = Answer("1.12");
  failed.arrived = false;  // transfer error: whatever came is not used
  EXPECT_EQ(VersionTextFromDownload(failed), u"");
}

TEST(UpdateVersionTest, ComparesUnitByUnitWithPrefixesFirst) {
  EXPECT_TRUE(IsNewerVersion(u"1.11", u"1.12"));
  EXPECT_TRUE(IsNewerVersion(u"1.11", u"1.2"));
  EXPECT_TRUE(IsNewerVersion(u"1.11", u"1.11\n"));
  EXPECT_TRUE(IsNewerVersion(u"1.11", u"10.0"));
  EXPECT_TRUE(IsNewerVersion(u"1.11", u"2"));
  EXPECT_TRUE(IsNewerVersion(u"1.11", u"1.11\uFFFD"));  // above U+7FFF still sorts last
  EXPECT_FALSE(IsNewerVersion(u"1.11", u"1.11"));
  EXPECT_FALSE(IsNewerVersion(u"1.11", u"1.10"));
  EXPECT_FALSE(IsNewerVersion(u"1.11", u"1.100"));
  EXPECT_FALSE(IsNewerVersion(u"1.11", u"1.1"));
  EXPECT_FALSE(IsNewerVersion(u"1.11", u"0.99"));
}

TEST(UpdateVersionTest, EvaluatesDownloads) {
  Text version;
  EXPECT_EQ(EvaluateVersionDownload(Answer("1.11"), kProgramVersion, version), UpdateResult::Current);
  EXPECT_EQ(version, u"1.11");
  EXPECT_EQ(EvaluateVersionDownload(Answer("1.2"), kProgramVersion, version),
            UpdateResult::NewerVersion);
  EXPECT_EQ(version, u"1.2");
  EXPECT_EQ(EvaluateVersionDownload(Answer("1.10"), kProgramVersion, version), UpdateResult::Current);
  EXPECT_EQ(EvaluateVersionDownload(Answer("1.12", 404), kProgramVersion, version),
            UpdateResult::Unreadable);
  EXPECT_EQ(version, u"");
  EXPECT_EQ(EvaluateVersionDownload(Answer(std::string(17, '2')), kProgramVersion, version),
            UpdateResult::Unreadable);
}

TEST(UpdateMessageTest, ComposedTexts) {
  EXPECT_EQ(UpdateErrorMessage(u"Error reading version information on ", u"https://x.org/prog/"),
            u"Error reading version information on https://x.org/prog/.");
  EXPECT_EQ(NewVersionMessage(u"There is the new version ", u"1.12",
                              u"Do you want to visit the program website now?"),
            u"There is the new version 1.12.\n\nDo you want to visit the program website now?");
}

TEST(RunProgramTextTest, CommandLineQuotesUnlessAlreadyQuoted) {
  EXPECT_EQ(RunProgramCommandLine(u"charmap.exe"), u"\"charmap.exe\"");
  EXPECT_EQ(RunProgramCommandLine(u"C:\\Program Files\\Tool\\tool.exe"),
            u"\"C:\\Program Files\\Tool\\tool.exe\"");
  // A program name and an argument without quotes stay one (missing) program.
  EXPECT_EQ(RunProgramCommandLine(u"tool.exe /x"), u"\"tool.exe /x\"");
  EXPECT_EQ(RunProgramCommandLine(u"\"C:\\T\\tool.exe\" /x \"a b\""), u"\"C:\\T\\tool.exe\" /x \"a b\"");
  EXPECT_EQ(RunProgramCommandLine(u""), u"\"\"");
}

TEST(RunProgramTextTest, ProgramOfTheCommandLine) {
  EXPECT_EQ(CommandLineProgram(u"\"C:\\T\\tool.exe\" /x"), u"C:\\T\\tool.exe");
  EXPECT_EQ(CommandLineProgram(u"\"C:\\T\\run.bat\" & calc"), u"C:\\T\\run.bat");
  EXPECT_EQ(CommandLineProgram(u"\"unclosed.cmd"), u"unclosed.cmd");
  EXPECT_EQ(CommandLineProgram(u"\"\""), u"");
}

TEST(RunProgramTextTest, FolderOnlyForABackslashAfterTheFirstCharacter) {
  EXPECT_EQ(RunProgramFolder(u"C:\\Glyphwell\\doc\\Glyphwell_en.htm"), u"C:\\Glyphwell\\doc\\");
  EXPECT_EQ(RunProgramFolder(u"\\readme.txt"), u"");
  EXPECT_EQ(RunProgramFolder(u"charmap.exe"), u"");
  EXPECT_EQ(RunProgramFolder(u"https://example.org/prog/"), u"");
  EXPECT_EQ(RunProgramFolder(u"\"C:\\T\\tool.exe\" /x"), u"\"C:\\T\\");
}

TEST(RunProgramTextTest, BatchFilesAreRecognisedInEveryDisguise) {
  EXPECT_TRUE(IsBatchFile(u"C:\\T\\run.bat"));
  EXPECT_TRUE(IsBatchFile(u"C:\\T\\RUN.CMD"));
  EXPECT_TRUE(IsBatchFile(u"run.Bat. . "));
  EXPECT_TRUE(IsBatchFile(u"C:/T/run.cmd"));
  EXPECT_FALSE(IsBatchFile(u"C:\\T\\run.exe"));
  EXPECT_FALSE(IsBatchFile(u"C:\\batch.bat\\tool.exe"));
  EXPECT_FALSE(IsBatchFile(u"C:\\T\\notes.bath"));
  EXPECT_FALSE(IsBatchFile(u"https://example.org/prog/"));
  EXPECT_FALSE(IsBatchFile(u""));
}

TEST(AboutTextTest, ShortTitleAndCaption) {
  EXPECT_EQ(ShortWindowTitle(u"About ..."), u"About");
  EXPECT_EQ(ShortWindowTitle(u"\u00DCber..."), u"\u00DCber");
  EXPECT_EQ(ShortWindowTitle(u"A.b. . "), u"A.b");
  EXPECT_EQ(ShortWindowTitle(u" ... "), u"");
  EXPECT_EQ(WithoutAmpersands(u"&OK"), u"OK");
  EXPECT_EQ(WithoutAmpersands(u"O&&K&"), u"OK");
}

TEST(AboutLayoutTest, TheWindowWidensForALongLinkAndTheOkButtonFollowsItsEdge) {
  const AboutLayout narrow = AboutWindowLayout(60);
  EXPECT_EQ(narrow.client_width, 250);
  EXPECT_EQ(narrow.link_width, 60);
  EXPECT_EQ(narrow.ok_x, 150);
  EXPECT_EQ(AboutWindowLayout(160).client_width, 250);  // the link just fits
  const AboutLayout wide = AboutWindowLayout(161);
  EXPECT_EQ(wide.client_width, 251);
  EXPECT_EQ(wide.ok_x, 151);
  EXPECT_EQ(AboutWindowLayout(400).client_width, 490);
}

}  // namespace
}  // namespace gw
