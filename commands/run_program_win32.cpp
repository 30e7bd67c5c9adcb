// RunProgram: a process first, the shell second.
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "base/ole_win32.h"
#include "commands/run_program.h"
#include "mainwindow/app_state_win32.h"

namespace gw {

namespace {

bool StartProcess(const Text& command_line) {
  // CreateProcessW may write into the command line.
  std::vector<wchar_t> buffer(command_line.begin(), command_line.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                      nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return true;
}

bool OpenWithShell(const Text& argument) {
  const Text folder = RunProgramFolder(argument);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = nullptr;
  info.lpFile = W(argument);
  info.lpParameters = L"";
  info.lpDirectory = folder.empty() ? nullptr : W(folder);
  info.nShow = SW_SHOWNORMAL;
  EnsureOle();  // the shell may start the program through COM
  if (!ShellExecuteExW(&info)) return false;
  if (info.hProcess) CloseHandle(info.hProcess);
  return true;
}

}  // namespace

bool RunProgram(const Text& argument) {
  if (argument.empty()) return false;
  const Text command_line = RunProgramCommandLine(argument);
  // Windows hands a batch file, with the whole command line, to the command
  // shell, which would run whatever the rest of the line says. Neither step
  // starts one.
  if (IsBatchFile(CommandLineProgram(command_line))) return false;
  if (StartProcess(command_line)) return true;
  if (IsBatchFile(argument)) return false;
  return OpenWithShell(argument);
}

}  // namespace gw
