// The update check: one HTTP GET of the version file with libcurl, on the GUI
// thread, and the messages around it.
#include <windows.h>
#include <wininet.h>

#include <curl/curl.h>

#include "app/event_loop.h"
#include "app/message_box.h"
#include "app/shell_win32.h"
#include "commands/commands_win32.h"
#include "commands/run_program.h"

namespace gw {

namespace {

constexpr char kUserAgent[] = "Mozilla/5.0 Gecko/41.0 Firefox/41.0";
constexpr int kUpdateRetryTimer = 0;
constexpr UINT kUpdateRetryDelayMs = 10000;

struct BodySink {
  std::string* body;
  bool too_long = false;
};

// Keeps one byte more than a version file may have: that is enough to know
// the body is too long, and the transfer stops there.
size_t CollectBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<BodySink*>(user);
  const size_t bytes = size * count;
  const size_t room = kMaxVersionFileBytes + 1 - sink->body->size();
  if (bytes > room) {
    sink->body->append(data, room);
    sink->too_long = true;
    return 0;  // ends the transfer with CURLE_WRITE_ERROR
  }
  sink->body->append(data, bytes);
  return bytes;
}

bool CurlReady() {
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

bool WindowsReportsConnection() {
  return InternetGetConnectedState(nullptr, 0) != FALSE;
}

}  // namespace

VersionDownload DownloadVersionFile(const Text& url, long connect_timeout_ms,
                                    long total_timeout_ms, int* error) {
  VersionDownload download;
  if (error) *error = CURLE_FAILED_INIT;
  if (!CurlReady()) return download;
  CURL* curl = curl_easy_init();
  if (!curl) return download;

  const std::string address = TextToUtf8(url);
  BodySink sink{&download.body};
  curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connect_timeout_ms);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, total_timeout_ms);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  // A secure address is never redirected to a plain one.
  const bool secure = address.rfind("https:", 0) == 0;
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);

  const CURLcode result = curl_easy_perform(curl);
  if (error) *error = static_cast<int>(result);
  // A body cut short because it is too long still arrived (and is too long).
  download.arrived = result == CURLE_OK || (result == CURLE_WRITE_ERROR && sink.too_long);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  download.status = status;
  curl_easy_cleanup(curl);
  if (!download.arrived) download.body.clear();
  return download;
}

UpdateResult CheckForUpdate(const UpdateCheckOptions& options) {
  const bool connected =
      options.is_connected ? options.is_connected() : WindowsReportsConnection();
  if (!connected) return UpdateResult::NoConnection;

  const Text& page = options.page_address;
  VersionDownload download = DownloadVersionFile(
      VersionFileAddress(page), options.connect_timeout_ms, options.total_timeout_ms);
  Text version;
  const UpdateResult result = EvaluateVersionDownload(download, kProgramVersion, version);
  download.body.clear();

  switch (result) {
    case UpdateResult::Unreadable:
      ShowMessage(UpdateErrorMessage(Tr(u"Update", u"ErrUpdate"), page), MB_ICONERROR);
      break;
    case UpdateResult::NewerVersion: {
      const Text offer = NewVersionMessage(Tr(u"Update", u"NewVersion"), version,
                                           Tr(u"Update", u"AskVisit"));
      if (ShowMessage(offer, MB_YESNO) == IDYES) {
        if (options.open_page)
          options.open_page(page);
        else
          RunProgram(page);
      }
      break;
    }
    default:
      break;
  }
  return result;
}

void RunUpdateCommand(const UpdateCheckOptions& options) {
  switch (CheckForUpdate(options)) {
    case UpdateResult::NoConnection:
      ShowMessage(Tr(u"Update", u"ErrInternet"), MB_ICONERROR);
      break;
    case UpdateResult::Current:
      ShowMessage(Tr(u"Update", u"Current"), MB_ICONINFORMATION);
      break;
    default:
      break;
  }
}

UpdateResult RunStartupUpdateCheck(const UpdateCheckOptions& options) {
  const UpdateResult result = CheckForUpdate(options);
  if (result == UpdateResult::NoConnection) StartMainTimer(kUpdateRetryTimer, kUpdateRetryDelayMs);
  return result;
}

void RetryUpdateCheck(const UpdateCheckOptions& options) {
  if (CheckForUpdate(options) == UpdateResult::NoConnection)
    ShowMessage(Tr(u"Update", u"ErrInternet"), MB_ICONERROR);
}

}  // namespace gw
