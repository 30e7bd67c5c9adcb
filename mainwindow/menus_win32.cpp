// The main window's popup menus (MainMenu from the Menu button, TrayMenu from
// the tray icon), built from their layout (menu_layout.h) with their images,
// and the main window's keyboard shortcuts.
#include <windows.h>

#include <span>

#include "commands/commands_win32.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/main_window.h"
#include "mainwindow/menu_layout.h"
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

HBITMAP ImageOf(MenuImage image) {
  switch (image) {
    case MenuImage::Help: return g_help_image;
    case MenuImage::Settings: return g_settings_image;
    case MenuImage::Quit: return g_quit_image;
    case MenuImage::None: break;
  }
  return nullptr;
}

void AppendItems(HMENU menu, std::span<const MenuItemLayout> items) {
  for (const MenuItemLayout& item : items) {
    if (item.command == kMenuSeparator) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      const Text text = MenuItemText(App().language, item);
      AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item.command), W(text));
    }
  }
  for (const MenuItemLayout& item : items)
    if (HBITMAP image = ImageOf(item.image))
      SetMenuItemBitmaps(menu, static_cast<UINT>(item.position), MF_BYPOSITION, image, image);
}

// Sets the texts by position: Hide and Quit appear in both menus.
void RelabelItems(HMENU menu, std::span<const MenuItemLayout> items) {
  if (!menu) return;
  for (const MenuItemLayout& item : items) {
    if (item.command == kMenuSeparator) continue;
    Text text = MenuItemText(App().language, item);
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(W(text));
    SetMenuItemInfoW(menu, static_cast<UINT>(item.position), TRUE, &info);
  }
}

HBITMAP MenuImageBitmap(int resource_id) {
  PngImage image;
  if (!LoadPngResource(resource_id, image)) return nullptr;
  return CreateAlphaBitmap(image, image.width, image.height);
}

}  // namespace

void CreateMainMenus() {
  g_help_image = MenuImageBitmap(IDR_PNG_HELP);
  g_settings_image = MenuImageBitmap(IDR_PNG_SETTINGS);
  g_quit_image = MenuImageBitmap(IDR_PNG_QUIT);

  g_main_menu = CreatePopupMenu();
  if (g_main_menu) AppendItems(g_main_menu, MainMenuLayout());
  g_tray_menu = CreatePopupMenu();
  if (g_tray_menu) AppendItems(g_tray_menu, TrayMenuLayout());
}

void UpdateMainMenuChecks() {
  if (!g_main_menu) return;
  // Set by the administrator for every user: checked, and not the user's to
  // change.
  const RunAtStartupState state = CurrentRunAtStartupState();
  CheckMenuItem(g_main_menu, kRunAtStartupCommand,
                MF_BYCOMMAND | (state != RunAtStartupState::Off ? MF_CHECKED : MF_UNCHECKED));
  EnableMenuItem(g_main_menu, kRunAtStartupCommand,
                 MF_BYCOMMAND | (state == RunAtStartupState::ByAdministrator ? MF_GRAYED : MF_ENABLED));
}

void RelabelMainMenus() {
  RelabelItems(g_main_menu, MainMenuLayout());
  RelabelItems(g_tray_menu, TrayMenuLayout());
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
      // Find (mainwindow/find_window_win32.cpp).
      {kCtrl, 'F', 21},          {FVIRTKEY, VK_F3, 22},  {kShift, VK_F3, 23},
  };
  g_accelerators = CreateAcceleratorTableW(table, static_cast<int>(std::size(table)));
}

HACCEL MainAccelerators() { return g_accelerators; }

}  // namespace gw
