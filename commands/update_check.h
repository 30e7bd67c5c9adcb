// The update check's rules that do not need Windows: the addresses of the
// program page and of the version file, how a downloaded body becomes the
// site's version text, the version comparison, which answer each caller
// gets and the texts of the messages. commands/update_check_win32.cpp does
// the download on a worker thread and shows the answer.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "base/text.h"

namespace gw {

// The program's own version, as the version file on the web site states it.
inline constexpr char16_t kProgramVersion[] = u"1.11";

// The longest version file that counts as readable, in bytes.
inline constexpr std::size_t kMaxVersionFileBytes = 16;

// What a check found.
enum class UpdateResult : int {
  NoConnection = 0,    // Windows reports no internet connection
  Unreadable = 1,      // no usable version file
  NewerVersion = 2,    // the site has a newer version
  Current = 3,         // the program is current
};

// Who asked for a check; the answer follows their rules.
enum class UpdateCaller : int {
  StartUp = 0,  // at start-up: silent unless there is news or an error
  Retry = 1,    // timer 0: the one retry of a start-up check without connection
  Menu = 2,     // the main menu's command: always answers
};

// What the user gets for a result.
enum class UpdateAnswer : int {
  Nothing = 0,
  RetryLater = 1,    // nothing shown; timer 0 runs for the one retry
  NoConnection = 2,  // "ErrInternet", error icon
  Unreadable = 3,    // "ErrUpdate" with the page address, error icon
  Offer = 4,         // the newer version with Yes and No
  Current = 5,       // "Current", information icon
  Announce = 6,      // a notification of the tray icon that opens the page when clicked
};

// `quiet`: the main window is hidden (started for the tray at sign-in, or put
// away), so the user is busy elsewhere. Nobody asked the start-up check or its
// retries: their news comes as a notification, never as a box that takes the
// foreground, and while the program is quiet their failures (often a network
// that is not up yet at sign-in) say nothing and are tried again later.
UpdateAnswer AnswerFor(UpdateCaller caller, UpdateResult result, bool quiet = false);

// How long a quiet check waits before it tries again after its `failures`-th
// failure in a row (1 for the first): ten seconds, then one, five and fifteen
// minutes, then every hour.
unsigned UpdateRetryDelayMs(int failures);

// A check asked for while another one runs joins it instead of starting a
// second download. The one answer then follows the rules of the caller who
// expects the most: the menu's, which always answers, before the retry's,
// before the start-up's.
UpdateCaller JoinCallers(UpdateCaller running, UpdateCaller joining);

// What a check found, with the site's version text (empty unless the file
// was readable).
struct UpdateOutcome {
  UpdateResult result = UpdateResult::NoConnection;
  Text version;
};

// The web site's base address, set at build time (GLYPHWELL_WEBSITE), always
// ending in "/".
Text WebsiteAddress();

// Base address + "prog/" (a "/" is put between them when the base lacks it).
Text ProgramPageAddress(TextView website);
// Page address + the lower-cased program name + ".vsn".
Text VersionFileAddress(TextView page_address);

// What the download brought: whether a body arrived (false after any transfer
// error or time-out), its bytes and the HTTP status of the final answer.
struct VersionDownload {
  bool arrived = false;
  long status = 0;
  std::string body;
};

// The site's version text: empty unless the answer had status 200 and a body
// of 1 to 16 bytes; otherwise the body read as UTF-8 up to its first NUL byte
// (invalid sequences become U+FFFD).
Text VersionTextFromDownload(const VersionDownload& download);

// True when the site's text sorts after the program's own version, compared
// UTF-16 unit by unit, a prefix sorting first ("1.2" and "1.11\n" are newer
// than "1.11"; "1.10" and "1.100" are not).
bool IsNewerVersion(TextView own, TextView site);

// The outcome of a download for a program of version `own`: Unreadable for an
// empty version text, NewerVersion or Current otherwise. `version` receives
// the site's version text.
UpdateResult EvaluateVersionDownload(const VersionDownload& download, TextView own, Text& version);

// "ErrUpdate" text + page address + ".".
Text UpdateErrorMessage(TextView err_update, TextView page_address);
// "NewVersion" text + version + "." + two line feeds + "AskVisit" text.
Text NewVersionMessage(TextView new_version, TextView version, TextView ask_visit);

}  // namespace gw
