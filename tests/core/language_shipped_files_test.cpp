// The language files that ship in lang/ load without a message and hold
// exactly the sections and keys of the built-in table.
#include <gtest/gtest.h>

#include "base/platform.h"
#include "settings/language.h"
#include "tests/core/shipped_files.h"

namespace gw {
namespace {

Text SourceFolder() { return testing_support::ShippedFolder(); }

TEST(ShippedLanguageFiles, EveryFileHasExactlyTheBuiltInKeys) {
  LanguageTable builtin;
  LoadBuiltInTable(builtin);
  const std::vector<Text> names = ListLanguages(SourceFolder());
  ASSERT_FALSE(names.empty());
  EXPECT_NE(std::find(names.begin(), names.end(), u"English"), names.end());
  for (const Text& name : names) {
    SCOPED_TRACE(TextToUtf8(name));
    LanguageTable table;
    LanguageLoadResult result = LoadLanguageFile(table, SourceFolder(), name, false);
    ASSERT_EQ(result.status, LanguageLoadStatus::Loaded) << TextToUtf8(result.message);
    for (const auto& [section, keys] : builtin.sections) {
      auto found = table.sections.find(section);
      ASSERT_NE(found, table.sections.end()) << TextToUtf8(section);
      for (const auto& [key, text] : keys) {
        auto k = found->second.find(key);
        ASSERT_NE(k, found->second.end()) << TextToUtf8(section) << " " << TextToUtf8(key);
        EXPECT_FALSE(k->second.empty()) << TextToUtf8(key);
        // Leading and trailing spaces and "%s" stay where English has them.
        EXPECT_EQ(text.front() == u' ', k->second.front() == u' ') << TextToUtf8(key);
        EXPECT_EQ(text.back() == u' ', k->second.back() == u' ') << TextToUtf8(key);
        EXPECT_EQ(text.find(u"%s") != Text::npos, k->second.find(u"%s") != Text::npos);
      }
    }
    for (const auto& [section, keys] : table.sections) {
      if (section == u"VERSION CHECK") continue;
      auto found = builtin.sections.find(section);
      ASSERT_NE(found, builtin.sections.end()) << "unknown section " << TextToUtf8(section);
      for (const auto& entry : keys)
        EXPECT_NE(found->second.find(entry.first), found->second.end())
            << "unknown key " << TextToUtf8(entry.first);
    }
  }
}

TEST(ShippedLanguageFiles, EnglishFileReadsLikeTheBuiltInTable) {
  LanguageTable builtin;
  LoadBuiltInTable(builtin);
  LanguageTable english;
  ASSERT_EQ(LoadLanguageFile(english, SourceFolder(), u"English", false).status,
            LanguageLoadStatus::Loaded);
  english.sections.erase(u"VERSION CHECK");
  EXPECT_EQ(english.sections, builtin.sections);
}

}  // namespace
}  // namespace gw
