// The About window (window 3): the program's icon, name and version, the
// copyright line, the web-site link and "Freeware", with an OK button. Its
// events reach the loop through TranslateWindowMessage; Enter (command 10),
// Esc (command 11) and OK close it, the link opens the web site.
#include <windows.h>

#include "base/event_queue.h"
#include "base/message_box.h"
#include "base/placeholders.h"
#include "commands/commands_win32.h"
#include "commands/run_program.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/main_window.h"
#include "table/entry_windows_win32.h"

namespace gw {

namespace {

constexpr int kClientHeight = 160;

HWND AddControl(HWND window, const wchar_t* cls, const Text& text, DWORD style, int id, int x,
                int y, int w, int h) {
  HWND control = CreateWindowExW(0, cls, W(text), WS_CHILD | WS_VISIBLE | style, ScaleX(x),
                                 ScaleY(y), ScaleX(w), ScaleY(h), window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 App().instance, nullptr);
  if (control && MessageFontHandle())
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFontHandle()), FALSE);
  return control;
}

Text WebsitePageAddress() { return ProgramPageAddress(WebsiteAddress()); }

}  // namespace

void OpenAboutWindow(HICON icon) {
  AppState& app = App();
  for (int number = EditEntryWindow; number <= SettingsWindow; ++number)
    if (EntryWindowHandle(number)) return;

  const Text title = Tr(u"MenuMain", u"About");
  const Text address = WebsitePageAddress();
  const AboutLayout layout = AboutWindowLayout(LinkWidthFor(address));
  HWND window = CreateSecondaryFrame(AboutWindow, title, layout.client_width, kClientHeight);
  if (!window) {
    ShowMessage(FillPlaceholders(Tr(u"General", u"ErrOpen"), ShortWindowTitle(title)),
                MB_ICONERROR);
    return;
  }
  if (app.main_window) EnableWindow(app.main_window, FALSE);

  if (icon) {
    // The picture control has no id of its own.
    HWND picture = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON,
                                   ScaleX(20), ScaleY(20), ScaleX(32), ScaleY(32), window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(-1)),
                                   app.instance, nullptr);
    if (picture) SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  }
  AddControl(window, L"STATIC", kWindowTitle, SS_NOPREFIX, kAboutName, 70, 20, 170, 20);
  AddControl(window, L"STATIC", kCopyrightLine, SS_NOPREFIX, kAboutCopyright, 70, 40, 130, 20);
  CreateLinkControl(window, AboutWindow, kAboutLink, address, 70, 60, layout.link_width, 20);
  AddControl(window, L"STATIC", Tr(u"WinAbout", u"Freeware"), SS_NOPREFIX, kAboutFreeware, 70, 80,
             60, 20);
  HWND ok = AddControl(window, L"BUTTON", WithoutAmpersands(Tr(u"General", u"OK")),
                       WS_TABSTOP | BS_DEFPUSHBUTTON, kAboutOk, layout.ok_x, 120, 80, 25);

  SendMessageW(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  if (ok) SetFocus(ok);
  ACCEL keys[] = {{FVIRTKEY, VK_RETURN, kAboutEnterCommand},
                  {FVIRTKEY, VK_ESCAPE, kAboutEscapeCommand}};
  SetSecondaryWindow(AboutWindow, window, CreateAcceleratorTableW(keys, 2));
}

void DispatchAboutWindow(const Event& event) {
  switch (event.kind) {
    case EventKind::Command:
      if (event.object == kAboutEnterCommand || event.object == kAboutEscapeCommand)
        CloseEntryWindow(AboutWindow);
      break;
    case EventKind::Control:
      if (event.type != ControlClick) break;
      if (event.object == kAboutOk)
        CloseEntryWindow(AboutWindow);
      else if (event.object == kAboutLink)
        RunProgram(WebsitePageAddress());  // the window stays open; nothing is reported
      break;
    case EventKind::Close:  // Alt+F4 and the close command: as Esc
      CloseEntryWindow(AboutWindow);
      break;
    default:
      break;
  }
}

}  // namespace gw
