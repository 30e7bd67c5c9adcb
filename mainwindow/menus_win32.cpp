// The main window's popup menus (MainMenu from the Menu button, TrayMenu from
// the tray icon), their images, and the main window's keyboard shortcuts.
#include <windows.h>

#include "app/shell_win32.h"
#include "commands/commands_win32.h"
#include "mainwindow/main_window.h"
#include "resources/resource_ids.h"

namespace gw {

namespace {

HMENU g_main_menu = nullptr;
HMENU g_tray_menu = nullptr;
HACCEL g_accelerators = nullptr;
// The menu images live as long as the menus.
HBITMAP g_help_image = nullptr;
HBITMAP g_settings_image = nullptr;
HBITMAP g_quit_image = nullptr;

constexpr int kSeparator = -1;
// "Run at startup", checked while the Run value names this program file.
constexpr int kRunAtStartupCommand = 24;

struct MenuItem {
  int command;  // kSeparator for a separator
  const char16_t* section;
  const char16_t* key;
  const char16_t* shortcut;  // shown after a tab, or nullptr
};

constexpr MenuItem kMainMenuItems[] = {
    {13, u"MenuMain", u"About", nullptr},    {14, u"MenuMain", u"Update", nullptr},
    {15, u"MenuMain", u"Help", u"F1"},       {16, u"MenuMain", u"Settings", nullptr},
    {kSeparator, nullptr, nullptr, nullptr}, {17, u"MenuMain", u"Goto", nullptr},
    {kSeparator, nullptr, nullptr, nullptr}, {kRunAtStartupCommand, u"MenuMain", u"RunAtStartup", nullptr},
    {kSeparator, nullptr, nullptr, nullptr}, {19, u"MenuSysTray", u"Hide", u"Esc"},
    {20, u"General", u"Quit", nullptr},
};

constexpr MenuItem kTrayMenuItems[] = {
    {18, u"MenuSysTray", u"Show", nullptr},
    {19, u"MenuSysTray", u"Hide", nullptr},
    {kSeparator, nullptr, nullptr, nullptr},
    {20, u"General", u"Quit", nullptr},
};

Text ItemText(const MenuItem& item) {
  Text text = Tr(item.section, item.key);
  if (item.shortcut) text += Text(u"\t") + item.shortcut;
  return text;
}

template <size_t N>
void AppendItems(HMENU menu, const MenuItem (&items)[N]) {
  for (const MenuItem& item : items) {
    if (item.command == kSeparator) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      const Text text = ItemText(item);
      AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item.command), W(text));
    }
  }
}

// Sets the texts by position: Hide and Quit appear in both menus.
template <size_t N>
void RelabelItems(HMENU menu, const MenuItem (&items)[N]) {
  if (!menu) return;
  for (UINT position = 0; position < N; ++position) {
    if (items[position].command == kSeparator) continue;
    Text text = ItemText(items[position]);
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(W(text));
    SetMenuItemInfoW(menu, position, TRUE, &info);
  }
}

HBITMAP MenuImage(int resource_id) {
  PngImage image;
  if (!LoadPngResource(resource_id, image)) return nullptr;
  return CreateAlphaBitmap(image, image.width, image.height);
}

void AttachImage(HMENU menu, UINT command, HBITMAP image) {
  if (menu && image) SetMenuItemBitmaps(menu, command, MF_BYCOMMAND, image, image);
}

}  // namespace

void CreateMainMenus() {
  g_help_image = MenuImage(IDR_PNG_HELP);
  g_settings_image = MenuImage(IDR_PNG_SETTINGS);
  g_quit_image = MenuImage(IDR_PNG_QUIT);

  g_main_menu = CreatePopupMenu();
  if (g_main_menu) {
    AppendItems(g_main_menu, kMainMenuItems);
    AttachImage(g_main_menu, 15, g_help_image);
    AttachImage(g_main_menu, 16, g_settings_image);
    AttachImage(g_main_menu, 20, g_quit_image);
  }
  g_tray_menu = CreatePopupMenu();
  if (g_tray_menu) {
    AppendItems(g_tray_menu, kTrayMenuItems);
    AttachImage(g_tray_menu, 20, g_quit_image);
  }
}

void UpdateMainMenuChecks() {
  if (g_main_menu)
    CheckMenuItem(g_main_menu, kRunAtStartupCommand,
                  MF_BYCOMMAND | (RunAtStartupIsOn() ? MF_CHECKED : MF_UNCHECKED));
}

void RelabelMainMenus() {
  RelabelItems(g_main_menu, kMainMenuItems);
  RelabelItems(g_tray_menu, kTrayMenuItems);
}

HMENU MainMenuHandle() { return g_main_menu; }
HMENU TrayMenuHandle() { return g_tray_menu; }

void EnableTrayMenuItem(int command, bool enabled) {
  if (g_tray_menu)
    EnableMenuItem(g_tray_menu, static_cast<UINT>(command),
                   MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void CreateMainAccelerators() {
  if (g_accelerators) return;
  constexpr BYTE kCtrl = FVIRTKEY | FCONTROL;
  constexpr BYTE kShift = FVIRTKEY | FSHIFT;
  ACCEL table[] = {
      {FVIRTKEY, VK_RETURN, 0},  {kShift, VK_RETURN, 1}, {kCtrl, 'C', 2},
      {kCtrl | FSHIFT, 'C', 3},  {kCtrl, VK_INSERT, 2},  {kCtrl | FSHIFT, VK_INSERT, 3},
      {kCtrl, VK_UP, 4},         {kCtrl, VK_DOWN, 5},    {kCtrl, 'N', 7},
      {kShift, VK_F10, 6},       {FVIRTKEY, VK_APPS, 6}, {FVIRTKEY, VK_F1, 15},
      {FVIRTKEY, VK_ESCAPE, 19},
  };
  g_accelerators = CreateAcceleratorTableW(table, static_cast<int>(std::size(table)));
}

HACCEL MainAccelerators() { return g_accelerators; }

}  // namespace gw
