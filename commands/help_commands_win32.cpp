// Help, the character-map link and Go to character file: each hands the work
// to another program and returns at once.
#include <windows.h>
#include <shellapi.h>

#include "app/folders.h"
#include "app/message_box.h"
#include "app/shell_win32.h"
#include "commands/commands_win32.h"
#include "commands/run_program.h"

namespace gw {

bool OpenHelpFile() {
  const AppState& app = App();
  if (RunProgram(app.help_path)) return true;
  ShowMessage(Tr(u"MenuMain", u"ErrHelp") + u"\n" + app.help_path, MB_ICONERROR);
  return false;
}

Text CharacterMapCommand() {
  const Settings& settings = App().settings;
  return settings.Option == CharMapOption::Standard ? Text(u"charmap.exe") : settings.CustomCommand;
}

void StartCharacterMap() {
  const Text command = CharacterMapCommand();
  if (!RunProgram(command))
    ShowMessage(Tr(u"WinMain", u"ErrCharmap") + u"\n" + command, MB_ICONERROR);
}

// Explorer by its full path: the shell looks for a bare "explorer" in the
// working folder (here the data folder) before the Windows folder, so a file
// of that name there would be started instead.
Text ExplorerPath() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return u"explorer";
  Text path(reinterpret_cast<const char16_t*>(folder), length);
  if (path.back() != u'\\') path.push_back(u'\\');
  return path + u"explorer.exe";
}

void ShowFileInExplorer(const Text& path) {
  const Text parameters = u"/select,\"" + path + u"\"";
  const Text folder = ProgramFolderOf(path);
  ShellExecuteW(nullptr, L"open", W(ExplorerPath()), W(parameters), W(folder), SW_SHOW);
}

void ShowCharacterFileInExplorer() { ShowFileInExplorer(App().character_path); }

}  // namespace gw
