// Help, the character-map link and Go to character file: each hands the work
// to another program and returns at once.
#include <windows.h>
#include <shellapi.h>

#include "base/folders.h"
#include "base/message_box.h"
#include "base/ole_win32.h"
#include "commands/commands_win32.h"
#include "commands/run_program.h"
#include "mainwindow/app_state_win32.h"

namespace gw {

bool OpenHelpFile() {
  const AppState& app = App();
  if (RunProgram(app.help_path)) return true;
  ShowMessage(Tr(u"MenuMain", u"ErrHelp") + u"\n" + app.help_path, MB_ICONERROR);
  return false;
}

namespace {

// A file in a folder that a system call names, or just the file's name when
// the call fails.
Text InSystemFolder(UINT(WINAPI* folder_of)(LPWSTR, UINT), const char16_t* file) {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = folder_of(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return file;
  Text path(reinterpret_cast<const char16_t*>(folder), length);
  if (path.back() != u'\\') path.push_back(u'\\');
  return path + file;
}

}  // namespace

// The Windows character map by its full path: a bare "charmap.exe" would be
// looked for in the program's own folder and the current folder first, and a
// file of that name lying there (in Downloads, on a USB stick) would be
// started instead. A custom command is the user's own and stays as it is.
Text CharacterMapCommand() {
  const Settings& settings = App().settings;
  if (settings.Option == CharMapOption::Standard)
    return InSystemFolder(GetSystemDirectoryW, u"charmap.exe");
  return settings.CustomCommand;
}

void StartCharacterMap() {
  const Text command = CharacterMapCommand();
  if (!RunProgram(command))
    ShowMessage(Tr(u"WinMain", u"ErrCharmap") + u"\n" + command, MB_ICONERROR);
}

// Explorer by its full path: the shell looks for a bare "explorer" in the
// working folder (here the data folder) before the Windows folder, so a file
// of that name there would be started instead. The system's Windows folder,
// since on a Remote Desktop server each user may have a Windows folder of
// their own.
Text ExplorerPath() { return InSystemFolder(GetSystemWindowsDirectoryW, u"explorer.exe"); }

void ShowFileInExplorer(const Text& path) {
  const Text parameters = u"/select,\"" + path + u"\"";
  const Text folder = ProgramFolderOf(path);
  EnsureOle();  // the shell may open the folder through COM
  ShellExecuteW(nullptr, L"open", W(ExplorerPath()), W(parameters), W(folder), SW_SHOW);
}

void ShowCharacterFileInExplorer() { ShowFileInExplorer(App().character_path); }

}  // namespace gw
