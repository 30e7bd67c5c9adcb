// MakeRelativePath: the Settings window's Command field with Shift held.
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/relative_path.h"

namespace gw {
namespace {

const Text kBase = u"C:\\Tools\\App\\";

TEST(RelativePath, SiblingFolderAndSubFolder) {
  EXPECT_EQ(MakeRelativePath(u"C:\\Tools\\Map\\map.exe", kBase), u"..\\Map\\map.exe");
  EXPECT_EQ(MakeRelativePath(u"C:\\Tools\\App\\x\\y.exe", kBase), u"x\\y.exe");
  EXPECT_EQ(MakeRelativePath(u"C:\\Tools\\App\\y.exe", kBase), u"y.exe");
  // Only the drive in common: up to the root.
  EXPECT_EQ(MakeRelativePath(u"C:\\Other\\m.exe", kBase), u"..\\..\\Other\\m.exe");
  // A folder whose name begins like the base's is no part of it.
  EXPECT_EQ(MakeRelativePath(u"C:\\Tools\\Application\\a.exe", kBase),
            u"..\\Application\\a.exe");
  EXPECT_EQ(MakeRelativePath(u"C:\\Tools\\Ap\\a.exe", kBase), u"..\\Ap\\a.exe");
  // The base folder itself.
  EXPECT_EQ(MakeRelativePath(u"C:\\Tools\\App", kBase), u"..\\App");
}

TEST(RelativePath, LetterCaseIsIgnoredAndThePathKeepsItsOwn) {
  EXPECT_EQ(MakeRelativePath(u"c:\\tools\\APP\\Sub\\Map.EXE", kBase), u"Sub\\Map.EXE");
  EXPECT_EQ(MakeRelativePath(u"C:\\\u00C4rger\\Map.exe", u"c:\\\u00E4RGER\\"), u"Map.exe");
}

TEST(RelativePath, DifferentDrivesAndNoCommonFolder) {
  EXPECT_EQ(MakeRelativePath(u"D:\\Tools\\App\\x.exe", kBase), u"D:\\Tools\\App\\x.exe");
  EXPECT_EQ(MakeRelativePath(u"map.exe", kBase), u"map.exe");
  EXPECT_EQ(MakeRelativePath(u"", kBase), u"");
  // Network paths: another server or another share is never relative, even
  // though "\\" is common to both.
  EXPECT_EQ(MakeRelativePath(u"\\\\srv\\share\\x.exe", u"\\\\other\\share\\"),
            u"\\\\srv\\share\\x.exe");
  EXPECT_EQ(MakeRelativePath(u"\\\\srv\\one\\x.exe", u"\\\\srv\\two\\"), u"\\\\srv\\one\\x.exe");
  EXPECT_EQ(MakeRelativePath(u"\\\\srv\\share\\a\\x.exe", u"\\\\srv\\share\\b\\"),
            u"..\\a\\x.exe");
  EXPECT_EQ(MakeRelativePath(u"\\\\SRV\\Share\\b\\x.exe", u"\\\\srv\\share\\b\\"), u"x.exe");
}

TEST(RelativePath, LongPathPrefixes) {
  // Dropped from the base; dropped from the path for the comparison...
  EXPECT_EQ(MakeRelativePath(u"C:\\Tools\\Map\\map.exe", u"\\\\?\\C:\\Tools\\App\\"),
            u"..\\Map\\map.exe");
  EXPECT_EQ(MakeRelativePath(u"\\\\?\\C:\\Tools\\App\\x\\y.exe", kBase), u"x\\y.exe");
  // ...and back on a path that stays absolute.
  EXPECT_EQ(MakeRelativePath(u"\\\\?\\D:\\map.exe", kBase), u"\\\\?\\D:\\map.exe");
  EXPECT_EQ(MakeRelativePath(u"\\\\?\\D:/a/map.exe", u"\\\\?\\C:\\Tools\\"),
            u"\\\\?\\D:\\a\\map.exe");
  EXPECT_EQ(MakeRelativePath(u"\\\\?\\UNC\\srv\\s\\a\\x.exe", u"\\\\?\\UNC\\srv\\s\\b\\"),
            u"..\\a\\x.exe");
  EXPECT_EQ(MakeRelativePath(u"\\\\?\\UNC\\srv\\s\\x.exe", u"\\\\?\\UNC\\other\\s\\"),
            u"\\\\?\\UNC\\srv\\s\\x.exe");
}

TEST(RelativePath, ForwardSlashesCountAsBackslashes) {
  EXPECT_EQ(MakeRelativePath(u"C:/Tools/Map/map.exe", kBase), u"..\\Map\\map.exe");
  EXPECT_EQ(MakeRelativePath(u"C:\\Tools\\App\\x\\y.exe", u"C:/Tools/App/"), u"x\\y.exe");
  EXPECT_EQ(MakeRelativePath(u"E:/x/y.exe", kBase), u"E:\\x\\y.exe");
}

TEST(RelativePath, BaseWithoutTrailingBackslashOrEmpty) {
  EXPECT_EQ(MakeRelativePath(u"C:\\Tools\\App\\x.exe", u"C:\\Tools\\App"), u"x.exe");
  EXPECT_EQ(MakeRelativePath(u"C:\\Tools\\Map\\x.exe", u"C:\\Tools\\App"), u"..\\Map\\x.exe");
  // An empty base is the current folder.
  const std::u16string here = std::filesystem::current_path().u16string();
  Text inside(here.begin(), here.end());
  inside += u"/sub/prog.exe";
  EXPECT_EQ(MakeRelativePath(inside, u""), u"sub\\prog.exe");
}

TEST(RelativePath, RootLengths) {
  EXPECT_EQ(PathRootLength(u"C:\\x"), 3u);
  EXPECT_EQ(PathRootLength(u"\\\\srv\\share\\x"), 12u);
  EXPECT_EQ(PathRootLength(u"UNC\\srv\\share\\x"), 14u);
  EXPECT_EQ(PathRootLength(u"\\x"), 1u);
  EXPECT_EQ(PathRootLength(u"x\\y"), 0u);
  EXPECT_EQ(PathRootLength(u"C:x"), 0u);
  // Incomplete network roots are longer than the path.
  EXPECT_GT(PathRootLength(u"\\\\srv\\share"), 11u);
  EXPECT_GT(PathRootLength(u"\\\\\\share\\x"), 10u);
}

}  // namespace
}  // namespace gw
