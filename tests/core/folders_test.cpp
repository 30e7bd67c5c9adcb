#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/folders.h"
#include "base/platform.h"

namespace gw {
namespace {

TEST(DataFolder, InstalledProgramKeepsDataInAppData) {
  const Text pf = u"C:\\Program Files\\";
  const Text appdata = u"C:\\Users\\u\\AppData\\Roaming\\";
  EXPECT_EQ(DataFolderFor(u"C:\\Program Files\\Glyphwell\\", pf, appdata),
            u"C:\\Users\\u\\AppData\\Roaming\\Glyphwell\\");
  // Other letter case still counts as installed, and the folder keeps its own name.
  EXPECT_EQ(DataFolderFor(u"c:\\program files\\Tools\\", pf, appdata),
            u"C:\\Users\\u\\AppData\\Roaming\\Tools\\");
  // Program Files without its trailing backslash is given one.
  EXPECT_EQ(DataFolderFor(u"C:\\Program Files\\Tools\\", u"C:\\Program Files", appdata),
            u"C:\\Users\\u\\AppData\\Roaming\\Tools\\");
}

TEST(DataFolder, PortableProgramKeepsDataBesideItself) {
  const Text pf = u"C:\\Program Files\\";
  const Text appdata = u"C:\\Users\\u\\AppData\\Roaming\\";
  EXPECT_EQ(DataFolderFor(u"D:\\Portable\\Glyphwell\\", pf, appdata), u"D:\\Portable\\Glyphwell\\");
  // "Program Files (x86)" is not below "Program Files\".
  EXPECT_EQ(DataFolderFor(u"C:\\Program Files (x86)\\G\\", pf, appdata),
            u"C:\\Program Files (x86)\\G\\");
  // No Program Files folder known: always portable.
  EXPECT_EQ(DataFolderFor(u"C:\\Program Files\\G\\", u"", appdata), u"C:\\Program Files\\G\\");
}

TEST(DataFolder, PerUserFolderIsAskedForOnlyForAnInstalledProgram) {
  const Text pf = u"C:\\Program Files\\";
  int asked = 0;
  auto app_data = [&] {
    ++asked;
    return Text(u"C:\\Users\\u\\AppData\\Roaming");
  };
  EXPECT_EQ(DataFolderFor(u"D:\\Portable\\Glyphwell\\", pf, app_data), u"D:\\Portable\\Glyphwell\\");
  EXPECT_EQ(DataFolderFor(u"C:\\Program Files (x86)\\G\\", pf, app_data), u"C:\\Program Files (x86)\\G\\");
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(DataFolderFor(u"C:\\Program Files\\Glyphwell\\", pf, app_data),
            u"C:\\Users\\u\\AppData\\Roaming\\Glyphwell\\");
  EXPECT_EQ(asked, 1);
}

TEST(DataFolder, PathPieces) {
  EXPECT_EQ(ProgramFolderOf(u"C:\\Program Files\\Glyphwell\\Glyphwell.exe"),
            u"C:\\Program Files\\Glyphwell\\");
  EXPECT_EQ(ProgramFolderOf(u"Glyphwell.exe"), u"");
  EXPECT_EQ(LastFolderComponent(u"C:\\Program Files\\Glyphwell\\"), u"Glyphwell");
  EXPECT_EQ(LastFolderComponent(u"C:\\Program Files\\Glyphwell\\\\\\"), u"Glyphwell");
  EXPECT_EQ(LastFolderComponent(u"Glyphwell"), u"Glyphwell");
}

class EnsureDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = std::filesystem::temp_directory_path() /
            ("gw-ensure-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(base_);
    std::filesystem::create_directories(base_);
  }
  void TearDown() override { std::filesystem::remove_all(base_); }
  Text Path(const std::filesystem::path& p) const {
    auto s = p.u16string();
    return Text(s.begin(), s.end());
  }
  std::filesystem::path base_;
};

TEST_F(EnsureDirectoryTest, CreatesMissingParents) {
  auto target = base_ / "a" / "b" / "c";
  EXPECT_TRUE(EnsureDirectory(Path(target)));
  EXPECT_TRUE(std::filesystem::is_directory(target));
  // Again, with everything present, and with trailing separators and spaces.
  EXPECT_TRUE(EnsureDirectory(Path(target)));
  EXPECT_TRUE(EnsureDirectory(Path(base_ / "d  ")));
  EXPECT_TRUE(std::filesystem::is_directory(base_ / "d"));
}

TEST_F(EnsureDirectoryTest, FailsWhereAFileStandsAndKeepsWhatItMade) {
  std::ofstream(base_ / "file") << "x";
  EXPECT_FALSE(EnsureDirectory(Path(base_ / "file" / "sub")));
  EXPECT_TRUE(std::filesystem::is_regular_file(base_ / "file"));
}

TEST(FileWrite, ReplacesWholeAndFailsCleanly) {
  auto dir = std::filesystem::temp_directory_path() / "gw-write-test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  auto file = dir / "f.txt";
  auto s = file.u16string();
  Text path(s.begin(), s.end());
  ASSERT_TRUE(WriteWholeFile(path, "old contents"));
  // A write that breaks off half-way leaves the old file whole and no temporary file.
  SetFileWriteHook([](const Text&, std::string_view) { return 3LL; });
  EXPECT_FALSE(WriteWholeFile(path, "new contents that never arrive"));
  SetFileWriteHook(nullptr);
  std::string bytes;
  ASSERT_EQ(ReadWholeFile(path, bytes), ReadResult::Ok);
  EXPECT_EQ(bytes, "old contents");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
  // A read-only target is not replaced.
  std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_FALSE(WriteWholeFile(path, "x"));
  ASSERT_EQ(ReadWholeFile(path, bytes), ReadResult::Ok);
  EXPECT_EQ(bytes, "old contents");
  std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  EXPECT_TRUE(WriteWholeFile(path, ""));
  ASSERT_EQ(ReadWholeFile(path, bytes), ReadResult::Ok);
  EXPECT_EQ(bytes, "");
  EXPECT_FALSE(WriteWholeFile(u"", "x"));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace gw
