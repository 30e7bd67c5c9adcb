#include "mainwindow/menu_layout.h"

#include <utility>

namespace gw {

namespace {

constexpr MenuItemLayout kMainMenu[] = {
    // position, command, section, key, shortcut, shortcut_key, image
    {0, 13, u"MenuMain", u"About", nullptr, nullptr, MenuImage::None},
    {1, 14, u"MenuMain", u"Update", nullptr, nullptr, MenuImage::None},
    {2, 15, u"MenuMain", u"Help", u"F1", nullptr, MenuImage::Help},
    {3, 16, u"MenuMain", u"Settings", nullptr, nullptr, MenuImage::Settings},
    {4, kMenuSeparator, nullptr, nullptr, nullptr, nullptr, MenuImage::None},
    {5, 21, u"MenuMain", u"Find", nullptr, nullptr, MenuImage::None},  // its text holds its shortcut
    {6, 17, u"MenuMain", u"Goto", nullptr, nullptr, MenuImage::None},
    {7, kMenuSeparator, nullptr, nullptr, nullptr, nullptr, MenuImage::None},
    {8, kRunAtStartupCommand, u"MenuMain", u"RunAtStartup", nullptr, nullptr, MenuImage::None},
    {9, kMenuSeparator, nullptr, nullptr, nullptr, nullptr, MenuImage::None},
    {10, 19, u"MenuSysTray", u"Hide", u"Esc", u"Esc", MenuImage::None},
    {11, 20, u"General", u"Quit", nullptr, nullptr, MenuImage::Quit},
};

constexpr MenuItemLayout kTrayMenu[] = {
    // position, command, section, key, shortcut, shortcut_key, image
    {0, 18, u"MenuSysTray", u"Show", nullptr, nullptr, MenuImage::None},
    {1, 19, u"MenuSysTray", u"Hide", nullptr, nullptr, MenuImage::None},
    {2, kMenuSeparator, nullptr, nullptr, nullptr, nullptr, MenuImage::None},
    {3, 20, u"General", u"Quit", nullptr, nullptr, MenuImage::Quit},
};

}  // namespace

std::span<const MenuItemLayout> MainMenuLayout() { return kMainMenu; }
std::span<const MenuItemLayout> TrayMenuLayout() { return kTrayMenu; }

Text MenuItemText(const LanguageTable& language, const MenuItemLayout& item) {
  if (item.command == kMenuSeparator) return Text();
  Text text = LookupText(language, item.section, item.key);
  if (!item.shortcut) return text;
  Text shortcut = item.shortcut;
  if (item.shortcut_key) {
    // A language file without the key (a translation of the user's own) shows the usual name.
    Text named = LookupText(language, u"MenuMain", item.shortcut_key);
    if (named != kStringNotFound) shortcut = std::move(named);
  }
  return text + u"\t" + shortcut;
}

char16_t MenuAccessKey(TextView text) {
  const size_t amp = text.find(u'&');
  if (amp != TextView::npos && amp + 1 < text.size() && text[amp + 1] != u'&')
    return UpperChar(text[amp + 1]);
  return text.empty() ? 0 : UpperChar(text[0]);
}

}  // namespace gw
