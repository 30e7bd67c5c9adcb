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

void ShowFileInExplorer(const Text& path) {
  const Text parameters = u"/select,\"" + path + u"\"";
  const Text folder = ProgramFolderOf(path);
  ShellExecuteW(nullptr, L"open", L"explorer", W(parameters), W(folder), SW_SHOW);
}

void ShowCharacterFileInExplorer() { ShowFileInExplorer(App().character_path); }

}  // namespace gw
