// The auxiliary commands of the main window as the event loop calls them:
// Help, the character-map link, Go to character file, the update check,
// start with Windows and the About window.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "base/events.h"
#include "base/text.h"
#include "commands/about.h"
#include "commands/run_at_startup.h"
#include "commands/update_check.h"
#include "commands/update_check_proxy.h"

namespace gw {

// --- Help, character map, file location --------------------------------------------

// Opens the help file with its associated program; on failure shows
// "Help file not found:" with the path. True when it was opened.
bool OpenHelpFile();
// Starts the system's charmap.exe or the custom command; on failure shows
// "Command not found:" with the command.
void StartCharacterMap();
// The command that the character-map link starts: the full path of
// charmap.exe in the system folder, or the custom command as stored.
Text CharacterMapCommand();
// Asks Explorer to show the folder of `path` with the file selected; says
// nothing when that fails.
void ShowFileInExplorer(const Text& path);
void ShowCharacterFileInExplorer();

// --- Update check ---------------------------------------------------------------------

struct UpdateCheckOptions {
  // The program page; the version file lies below it.
  Text page_address = ProgramPageAddress(WebsiteAddress());
  long connect_timeout_ms = 5000;
  // The whole download, so that a server that never answers cannot hold the
  // check for good.
  long total_timeout_ms = 15000;
  // Whether Windows reports an internet connection; empty: ask Windows
  // (InternetGetConnectedState). Called on the check's worker thread.
  std::function<bool()> is_connected;
  // Opens the program page when the user accepts the offer; empty: RunProgram.
  std::function<bool(const Text&)> open_page;
};

// The user's proxy for `address` (the current user's Internet Options:
// automatic detection and a configuration script first, then the servers
// typed in), as libcurl takes it, with whether it may get the user's logon
// (see ChooseProxy); no server for a direct connection. Each step of
// fetching a configuration script gives up after `timeout_ms`, but detection
// on the network may take seconds: call it off the window thread.
ProxyChoice UserProxyFor(const Text& address, long timeout_ms);

// One HTTP GET of `url` into memory (at most one byte more than a version file
// may have): redirects followed, through the user's proxy, the library's
// certificate checks and the program's own (a trusted chain naming the host).
// `error` receives libcurl's result code (0 when the transfer completed).
VersionDownload DownloadVersionFile(const Text& url, long connect_timeout_ms,
                                    long total_timeout_ms, int* error = nullptr);

// Asks Windows for a connection, fetches the version file and compares. Shows
// nothing, touches no window: the check's worker thread runs it.
UpdateOutcome FetchUpdateOutcome(const UpdateCheckOptions& options);

// Starts a check for `caller` on a worker thread; the loop gets event
// UpdateCheckResult when it has ended, and FinishUpdateCheck shows the
// answer. While one check runs (its answer included), another request joins
// it (JoinCallers) and starts nothing: false then.
bool CheckForUpdate(UpdateCaller caller, const UpdateCheckOptions& options = UpdateCheckOptions());
// True from the start of a check until its answer has been shown.
bool UpdateCheckRunning();
// Event UpdateCheckResult of check `serial` (the event's object): shows the
// answer that AnswerFor gives for the result, or starts timer 0 for the
// retry.
void FinishUpdateCheck(int serial);

// The main menu's Update command: a check with the menu's answers, and the
// status bar says that it runs.
void RunUpdateCommand(const UpdateCheckOptions& options = UpdateCheckOptions());
// The start-up check: silent for no connection and for a current version; no
// connection starts timer 0 for the one retry.
void RunStartupUpdateCheck(const UpdateCheckOptions& options = UpdateCheckOptions());
// A click on the tray notification of news: opens the page it announced
// (nothing when none is announced); the notification gone unclicked.
void OpenAnnouncedUpdate();
void ForgetAnnouncedUpdate();
// Timer 0: the retry; "ErrInternet" when there is still no connection.
void RetryUpdateCheck(const UpdateCheckOptions& options = UpdateCheckOptions());

// --- Start with Windows (command 24) -------------------------------------------------

// Whether the program starts at sign-in: the user's Run value "Glyphwell" or
// the machine's names this program file, and Windows' own switch has not
// turned that entry off.
RunAtStartupState CurrentRunAtStartupState();
bool RunAtStartupIsOn();
// Writes the user's value for this program file and clears Windows' "off"
// (on), or removes both (off); false when the registry refused.
bool SetRunAtStartup(bool on);
// The menu item: turns it on when it is off for this program file, else off;
// says so when the registry refuses. The machine's value is left alone.
void ToggleRunAtStartup();
// True when the program was started with the tray switch.
bool StartedForTheTray();

// --- About window (window 3) --------------------------------------------------------------

enum AboutControl : int {
  kAboutName = 8,
  kAboutCopyright = 9,
  kAboutLink = 10,
  kAboutFreeware = 11,
  kAboutOk = 13,
};
inline constexpr int kAboutEnterCommand = 10;
// Esc closes the About window as Enter does.
inline constexpr int kAboutEscapeCommand = 11;

// Opens the About window (nothing when a secondary window is open); `icon`
// may be none. On failure shows "ErrOpen" with the shortened title.
void OpenAboutWindow(HICON icon);
// Events of window 3.
void DispatchAboutWindow(const Event& event);

}  // namespace gw
