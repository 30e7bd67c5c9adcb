#include "mainwindow/program_in_front_win32.h"

#include "base/event_queue.h"
#include "mainwindow/app_state_win32.h"

namespace gw {

WindowProgram ProgramOfWindow(HWND hwnd) {
  WindowProgram program;
  if (!hwnd) return program;
  HWND root = GetAncestor(hwnd, GA_ROOT);
  if (!root) root = hwnd;
  wchar_t class_name[256] = {};
  const int class_length = GetClassNameW(root, class_name, 256);
  program.window_class.assign(reinterpret_cast<const char16_t*>(class_name),
                              class_length > 0 ? class_length : 0);
  DWORD process_id = 0;
  GetWindowThreadProcessId(root, &process_id);
  HANDLE process = process_id ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id)
                              : nullptr;
  if (!process) return program;
  wchar_t path[MAX_PATH * 2] = {};
  DWORD length = MAX_PATH * 2;
  if (QueryFullProcessImageNameW(process, 0, path, &length))
    program.executable.assign(reinterpret_cast<const char16_t*>(path), length);
  CloseHandle(process);
  return program;
}

std::optional<ProgramRule> RuleForWindow(HWND hwnd) {
  if (!hwnd || IsOwnWindow(hwnd)) return std::nullopt;
  const WindowProgram program = ProgramOfWindow(hwnd);
  if (program.executable.empty() && program.window_class.empty()) return std::nullopt;
  return FindProgramRule(App().settings.Programs, program.executable, program.window_class);
}

}  // namespace gw
