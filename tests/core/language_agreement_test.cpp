// The shipped files agree with each other. Every help page (doc/) names each
// option, window, control and menu item exactly as its language file does,
// and marks no other text as such a name (class "ui"); in every language no
// two items of one menu are chosen by the same key. The names come from the
// language files themselves and the menus from their layout, so that texts
// and items added later are checked too.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/platform.h"
#include "mainwindow/find.h"
#include "mainwindow/menu_layout.h"
#include "settings/language.h"
#include "tests/core/shipped_files.h"

namespace gw {
namespace {

using testing_support::ShippedFolder;

std::string Utf8(TextView text) { return TextToUtf8(text); }

// Messages are no names: the update check's texts, and the keys that the
// language files mark as errors, questions, information, status texts and
// the parts of a read error's "... expected".
bool IsMessage(const Text& section, const Text& key) {
  if (section == u"UPDATE" || section == u"VERSION CHECK") return true;
  if (section == u"GENERAL" && key == u"TERMINATE") return true;
  for (TextView prefix : {u"ERR", u"ASK", u"INFO", u"STATUS", u"EXPECT"})
    if (TextView(key).substr(0, prefix.size()) == prefix) return true;
  return false;
}

// Runs of spaces, line breaks and no-break spaces become one space.
Text Squeezed(TextView text) {
  Text out;
  for (char16_t c : text) {
    const bool blank = c == u' ' || c == u'\n' || c == u'\r' || c == u'\t' || c == u'\u00A0';
    if (blank) {
      if (!out.empty() && out.back() != u' ') out.push_back(u' ');
    } else {
      out.push_back(c);
    }
  }
  while (!out.empty() && out.back() == u' ') out.pop_back();
  return out;
}

// How a page names a caption: without its mnemonic "&", without the shortcut
// that a menu item shows after a tab ("Find ...\tCtrl+F") or a tooltip adds in
// brackets ("New item (Ctrl+N)"), and without the colon after a label
// ("Language:").
Text NameOf(TextView caption) {
  Text name;
  for (char16_t c : caption.substr(0, caption.find(u'\t')))
    if (c != u'&') name.push_back(c);
  name = Squeezed(name);
  const size_t bracket = name.rfind(u" (");
  if (bracket != Text::npos && name.back() == u')') name.erase(bracket);
  while (!name.empty() && (name.back() == u':' || name.back() == u' ')) name.pop_back();
  return name;
}

// The names a language file gives to the program's options, windows,
// controls and menu items.
std::set<Text> NamesIn(const LanguageTable& table) {
  std::set<Text> names;
  for (const auto& [section, keys] : table.sections)
    for (const auto& [key, text] : keys)
      if (!IsMessage(section, key)) names.insert(NameOf(text));
  for (auto menu : {MainMenuLayout(), TrayMenuLayout()})
    for (const MenuItemLayout& item : menu)
      if (item.command != kMenuSeparator)
        names.insert(NameOf(LookupText(table, item.section, item.key)));
  // The Find window is titled after its menu item.
  names.insert(FindWindowTitle(LookupText(table, u"MenuMain", u"Find")));
  return names;
}

Text DecodeEntity(TextView entity) {
  if (entity == u"nbsp") return u"\u00A0";
  if (entity == u"amp") return u"&";
  if (entity == u"lt") return u"<";
  if (entity == u"gt") return u">";
  if (entity == u"quot") return u"\"";
  if (entity.size() > 1 && entity[0] == u'#') {
    const bool hex = entity[1] == u'x';
    const std::string digits = Utf8(entity.substr(hex ? 2 : 1));
    return Text(1, static_cast<char16_t>(std::stoul(digits, nullptr, hex ? 16 : 10)));
  }
  ADD_FAILURE() << "unknown entity &" << Utf8(entity) << ";";
  return Text();
}

// The text that a piece of HTML shows: no tags, entities decoded, blanks squeezed.
Text Shown(TextView html) {
  Text out;
  for (size_t i = 0; i < html.size(); ++i) {
    if (html[i] == u'<') {
      const size_t end = html.find(u'>', i);
      if (end == TextView::npos) break;
      i = end;
      out.push_back(u' ');  // a tag may end a word, as </td> does
    } else if (html[i] == u'&') {
      const size_t end = html.find(u';', i);
      if (end == TextView::npos) break;
      out += DecodeEntity(html.substr(i + 1, end - i - 1));
      i = end;
    } else {
      out.push_back(html[i]);
    }
  }
  return Squeezed(out);
}

// The texts marked as names of the program's things: elements of class "ui".
std::vector<Text> MarkedNames(TextView html) {
  std::vector<Text> marked;
  constexpr TextView kMark = u"class=\"ui\">";
  for (size_t at = html.find(kMark); at != TextView::npos; at = html.find(kMark, at)) {
    at += kMark.size();
    const size_t tag = html.rfind(u'<', at);
    size_t name_end = tag + 1;
    while (name_end < html.size() && html[name_end] >= u'a' && html[name_end] <= u'z') ++name_end;
    const Text close = u"</" + Text(html.substr(tag + 1, name_end - tag - 1)) + u">";
    const size_t end = html.find(close, at);
    if (end == TextView::npos) break;
    marked.push_back(Shown(html.substr(at, end - at)));
  }
  return marked;
}

bool IsLetter(char16_t c) { return UpperChar(c) != c || LowerChar(c) != c; }

// Whether `page` holds `name` as whole words.
bool Names(const Text& page, const Text& name) {
  for (size_t at = page.find(name); at != Text::npos; at = page.find(name, at + 1)) {
    const size_t end = at + name.size();
    const bool starts = at == 0 || !IsLetter(page[at - 1]) || !IsLetter(name.front());
    const bool ends = end == page.size() || !IsLetter(page[end]) || !IsLetter(name.back());
    if (starts && ends) return true;
  }
  return false;
}

Text HelpPage(const Text& language) {
  const Text folder = ShippedFolder();
  const Text path = folder + u"doc" + folder.back() + HelpFileName(language);
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(path, bytes), ReadResult::Ok) << Utf8(path);
  return Utf8ToText(bytes);
}

class ShippedFilesAgree : public ::testing::Test {
 protected:
  void SetUp() override {
    languages_ = ListLanguages(ShippedFolder());
    ASSERT_GE(languages_.size(), 3u);
  }

  LanguageTable Load(const Text& language) {
    LanguageTable table;
    EXPECT_EQ(LoadLanguageFile(table, ShippedFolder(), language, false).status,
              LanguageLoadStatus::Loaded);
    return table;
  }

  std::vector<Text> languages_;
};

TEST_F(ShippedFilesAgree, HelpPagesNameEverythingAsTheirLanguageFileDoes) {
  for (const Text& language : languages_) {
    SCOPED_TRACE(Utf8(language));
    const std::set<Text> names = NamesIn(Load(language));
    const Text html = HelpPage(language);
    const Text page = Shown(html);
    for (const Text& name : names)
      EXPECT_TRUE(Names(page, name))
          << Utf8(HelpFileName(language)) << " never names \"" << Utf8(name) << "\"";
    const std::vector<Text> marked = MarkedNames(html);
    EXPECT_GT(marked.size(), 20u);
    for (const Text& name : marked)
      EXPECT_TRUE(names.count(name))
          << Utf8(HelpFileName(language)) << " marks \"" << Utf8(name)
          << "\" as a name, which the language file does not use";
  }
}

TEST_F(ShippedFilesAgree, NoTwoItemsOfAMenuAreChosenByTheSameKey) {
  for (const Text& language : languages_) {
    const LanguageTable table = Load(language);
    for (auto menu : {MainMenuLayout(), TrayMenuLayout()}) {
      std::vector<Text> texts;
      for (const MenuItemLayout& item : menu) {
        if (item.command == kMenuSeparator) continue;
        const Text text = LookupText(table, item.section, item.key);
        const char16_t key = MenuAccessKey(text);
        for (const Text& earlier : texts)
          EXPECT_NE(MenuAccessKey(earlier), key)
              << Utf8(language) << ": \"" << Utf8(earlier) << "\" and \"" << Utf8(text) << "\"";
        texts.push_back(text);
      }
    }
  }
}

TEST(MenuLayout, PositionsFollowTheRowsAndEveryItemHasAText) {
  for (auto menu : {MainMenuLayout(), TrayMenuLayout()}) {
    for (size_t row = 0; row < menu.size(); ++row) {
      const MenuItemLayout& item = menu[row];
      EXPECT_EQ(item.position, static_cast<int>(row));
      EXPECT_EQ(item.command == kMenuSeparator, item.section == nullptr) << row;
      EXPECT_EQ(item.command == kMenuSeparator, item.key == nullptr) << row;
      EXPECT_TRUE(item.shortcut || !item.shortcut_key) << row;  // a name needs its usual text
    }
  }
  LanguageTable english;
  LoadBuiltInTable(english);
  EXPECT_EQ(MenuItemText(english, MainMenuLayout()[2]), u"Help\tF1");
  EXPECT_EQ(MenuItemText(english, TrayMenuLayout()[2]), u"");
  EXPECT_EQ(MenuAccessKey(u"&Quit"), u'Q');
  EXPECT_EQ(MenuAccessKey(u"Qu&it"), u'I');
  EXPECT_EQ(MenuAccessKey(u"\u00FCber ..."), u'\u00DC');
  EXPECT_EQ(MenuAccessKey(u""), 0);
}

}  // namespace
}  // namespace gw
