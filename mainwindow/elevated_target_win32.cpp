// The integrity levels of this program and of the window in front, read from
// the process tokens, and the note that the text went to the clipboard.
#include <windows.h>

#include <utility>
#include <vector>

#include "base/message_box.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/elevated_target_win32.h"
#include "mainwindow/announce_win32.h"
#include "mainwindow/insertion_win32.h"
#include "mainwindow/main_window.h"

namespace gw {

namespace {

IntegrityReader g_reader;
NotificationStateReader g_notification_reader;

// Whether Windows shows notifications now (shell32 has told since Vista;
// asked by name, so that a system without it counts as "cannot tell").
NotificationState SystemNotificationState() {
  using QueryFn = HRESULT(WINAPI*)(int*);
  static const QueryFn query = [] {
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    return shell ? reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
                       GetProcAddress(shell, "SHQueryUserNotificationState")))
                 : nullptr;
  }();
  int state = 0;
  if (!query || FAILED(query(&state))) return NotificationState::Unknown;
  switch (state) {  // QUERY_USER_NOTIFICATION_STATE
    case 1: return NotificationState::NotPresent;
    case 2: return NotificationState::Busy;
    case 3: return NotificationState::FullScreen;
    case 4: return NotificationState::Presenting;
    case 5: return NotificationState::Accepts;
    case 6: return NotificationState::QuietTime;
    case 7: return NotificationState::App;
    default: return NotificationState::Unknown;
  }
}

// The relative id of the token's mandatory label; none when unreadable.
std::optional<std::uint32_t> TokenIntegrity(HANDLE process) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return std::nullopt;
  std::optional<std::uint32_t> level;
  DWORD size = 0;
  GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
  if (size >= sizeof(TOKEN_MANDATORY_LABEL)) {
    std::vector<unsigned char> buffer(size);
    if (GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size)) {
      PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
      if (sid && IsValidSid(sid) && *GetSidSubAuthorityCount(sid) > 0)
        level = *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1u);
    }
  }
  CloseHandle(token);
  return level;
}

IntegrityReadings ReadIntegrity(DWORD process_id) {
  // This program's level does not change while it runs.
  static const std::optional<std::uint32_t> own = TokenIntegrity(GetCurrentProcess());
  IntegrityReadings readings;
  readings.own = own;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
  if (!process) return readings;
  readings.target_opened = true;
  readings.target = TokenIntegrity(process);
  CloseHandle(process);
  return readings;
}

}  // namespace

void SetIntegrityReaderForTesting(IntegrityReader reader) { g_reader = std::move(reader); }

IntegrityReadings ReadWindowIntegrity(HWND window) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  return g_reader ? g_reader(process_id) : ReadIntegrity(process_id);
}

void SetNotificationStateReaderForTesting(NotificationStateReader reader) {
  g_notification_reader = std::move(reader);
}

void TellTextIsOnClipboard(bool copied) {
  const Text text = Tr(u"WinMain", copied ? u"InfoElevated" : u"ErrElevatedCopy");
  const NotificationState state =
      g_notification_reader ? g_notification_reader() : SystemNotificationState();
  if (ChooseNoteRoute(state) == NoteRoute::Balloon && ShowTrayBalloon(Text(kWindowTitle), text)) {
    WarningBeep();
    Announce(text, Politeness::Assertive);
    return;
  }
  // A message box with the warning icon plays the warning sound itself.
  ShowMessage(text, MB_ICONWARNING);
}

}  // namespace gw
