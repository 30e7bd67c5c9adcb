// Start-up: brings the program up in a fixed order and hands control to the
// event loop.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "app/event_loop.h"
#include "app/main_window_procedure.h"
#include "app/shell_win32.h"
#include "app/single_instance_win32.h"
#include "base/event_queue.h"
#include "base/folders.h"
#include "base/message_box.h"
#include "base/platform.h"
#include "commands/commands_win32.h"
#include "mainwindow/hotkey_pass.h"
#include "mainwindow/hotkey_win32.h"
#include "mainwindow/insertion_win32.h"
#include "mainwindow/timer_throttling_win32.h"
#include "settings/settings_window.h"
#include "settings/system_language_win32.h"
#include "table/read_problem.h"

namespace gw {

namespace {

Text ShellFolder(int csidl) {
  PIDLIST_ABSOLUTE pidl = nullptr;
  if (FAILED(SHGetFolderLocation(nullptr, csidl, nullptr, 0, &pidl)) || !pidl) return Text();
  wchar_t buffer[MAX_PATH + 1] = {};
  Text result;
  if (SHGetPathFromIDListW(pidl, buffer)) {
    result = reinterpret_cast<const char16_t*>(buffer);
    if (!result.empty() && result.back() != u'\\') result.push_back(u'\\');
  }
  ILFree(pidl);
  return result;
}

Text ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return Text();
    if (n < buffer.size()) return Text(reinterpret_cast<const char16_t*>(buffer.data()), n);
    buffer.resize(buffer.size() * 2);
  }
}

bool OlderThanWindows2000() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&info)) return false;
#pragma GCC diagnostic pop
  return info.dwMajorVersion < 5;
}

[[noreturn]] void FailReading(const Text& path, const ReadProblem& problem) {
  ShowMessage(ReadErrorMessage(App().language, path, problem, true), MB_ICONERROR);
  ShowFileInExplorer(path);
  ExitProgram();
}

}  // namespace

Text WriteFailureText(const Text& path, bool terminate) {
  Text text = Tr(u"General", u"ErrWrite") + u"\n" + path;
  if (terminate) text += u"\n\n" + Tr(u"General", u"Terminate");
  return text;
}

void RunStartup(HINSTANCE instance) {
  AppState& app = App();
  app.instance = instance;

  // Libraries are loaded from the system folder only.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

  // 1. Process-wide machinery. OLE is started at its first use (EnsureOle).
  InitEventQueue(instance);
  // Typing's millisecond waits keep their resolution while every window is
  // hidden (Windows 11 throttles them otherwise).
  KeepTimerResolutionWhileHidden();
  app.taskbar_created_message = RegisterWindowMessageW(L"TaskbarCreated");
  {
    HDC screen = GetDC(nullptr);
    app.dpi_x = GetDeviceCaps(screen, LOGPIXELSX);
    app.dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }

  // 2. Focus tracker.
  InstallFocusTracker();

  // 3. Empty language table (the table starts empty until the load below).
  // 4. The beep, when an audio device exists: its sound engine is started by
  // the first beep (BeepReady), not here, so that asking the audio driver for
  // its devices does not hold up every start.

  // 8. Folders and file paths.
  app.exe_path = ExecutablePath();
  app.program_folder = ProgramFolderOf(app.exe_path);
  app.data_folder = DataFolderFor(app.program_folder, ShellFolder(CSIDL_PROGRAM_FILES),
                                  [] { return ShellFolder(CSIDL_APPDATA); });
  app.settings_path = app.data_folder + u"Glyphwell.ini";
  app.character_path = app.data_folder + u"Characters.json";

  // 6. One copy per character file, decided before any window shows.
  if (!ClaimSingleInstance(app.character_path)) {
    HandOverToRunningInstance();
    ExitProgram();
  }
  // After an installer's Restart Manager closed it to replace its files,
  // Windows starts it again, in the tray. Not after a crash or a hang: a
  // program that failed should not come back unseen.
  RegisterApplicationRestart(L"/tray", RESTART_NO_CRASH | RESTART_NO_HANG);

  // 9. Settings.
  const bool settings_opened = LoadSettings(app.settings_path, app.settings);

  // 10. Language chosen from the system language when none is set.
  if (app.settings.Language.empty()) app.settings.Language = DefaultLanguage(DetectSystemLanguage());

  // 11. Language table, with the built-in English table as fall-back.
  LanguageLoadResult loaded =
      LoadLanguageFile(app.language, app.program_folder, app.settings.Language, true);
  if (loaded.status != LanguageLoadStatus::Loaded) ShowMessage(loaded.message, MB_ICONWARNING);
  Text help_name = loaded.help_file;

  // 12. Operating-system check.
  if (OlderThanWindows2000()) {
    ShowMessage(Tr(u"General", u"ErrOldWin"), MB_ICONERROR);
    ExitProgram();
  }

  // 13. First start: write the settings file (creating the per-user folder).
  if (!settings_opened) {
    bool ok = true;
    Text folder = app.data_folder;
    while (!folder.empty() && folder.back() == u'\\') folder.pop_back();
    if (IsPerUserDataFolder(app.data_folder, app.program_folder) && !PathExists(folder))
      ok = EnsureDirectory(app.data_folder);
    if (ok) ok = SaveSettings(app.settings_path, app.settings);
    if (!ok) {
      ShowMessage(WriteFailureText(app.settings_path, true), MB_ICONERROR);
      ExitProgram();
    }
  }

  // 14. Installed languages.
  app.settings.LanguageList = ListLanguages(app.program_folder);

  // 15. Help file path.
  app.help_path = HelpFilePath(app.program_folder, help_name);

  // 16. Character table. A character file that exists but cannot be read is
  // never replaced: the user is told and the program ends.
  const LoadResult load = LoadCharacterTable(app.character_path, app.records);
  if (load.status == LoadStatus::Unreadable || load.status == LoadStatus::ReadError)
    FailReading(app.character_path, load.problem);

  // 17. Main window, where later copies on the same file find this one.
  if (!CreateMainWindow(MainWindowProc, TriggerKeyFilter)) ExitProgram();
  ListenForLaterCopies(app.main_window);

  // 18. Tray icon.
  app.tray_icon = ExtractIconW(nullptr, W(app.exe_path), 0);
  if (app.tray_icon == reinterpret_cast<HICON>(1)) app.tray_icon = nullptr;
  if (app.tray_icon) AddTrayIcon(app.tray_icon);

  // 19. Global hotkey.
  ApplyHotkey(app.settings);
  // Left to the programs whose rule says so while they are in front.
  FollowProgramsInFront();

  // 20. First write of the character file; the legacy list goes only once
  // its entries are safely in the new file.
  if (load.status != LoadStatus::Read) {
    if (!WriteCharacterFile(app.table, app.character_path, -1)) {
      ShowMessage(WriteFailureText(app.character_path, true), MB_ICONERROR);
      ExitProgram();
    }
    if (load.status == LoadStatus::ImportedLegacy) RemoveFile(LegacyListPath(app.character_path));
  }

  // 21. The flag images of the Settings window's language list.
  FlagImageList();

  // 22. Message filter of the main window (hotkey, main menu closed).
  InstallMainWindowFilter();

  // 23. The character file's time, so that the program's own write is no change.
  app.file_stamp = FileStampOf(app.character_path);

  // 24. Focus on the main list.
  // A window started minimised stays hidden in the tray: giving its list the
  // focus would activate it. Its first activation puts the focus there.
  if (app.list && IsWindowVisible(app.main_window)) SetFocus(app.list);
  app.last_focused_control = kCtlList;

  // 25. The update check, with one retry on timer 0 when there is no connection.
  // It runs on a worker thread: the loop serves the window meanwhile.
  if (app.settings.CheckUpdate) RunStartupUpdateCheck();
}

}  // namespace gw
