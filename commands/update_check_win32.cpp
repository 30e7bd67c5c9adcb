// The update check: one HTTP GET of the version file with libcurl on a worker
// thread, so that the windows, the hotkey and the tray stay served while it
// runs, and the answer shown by the event loop when the worker is done.
#include <windows.h>
#include <commctrl.h>
#include <wincrypt.h>
#include <wininet.h>

#include <memory>
#include <mutex>
#include <vector>

#include <curl/curl.h>

#include "base/event_queue.h"
#include "base/message_box.h"
#include "commands/commands_win32.h"
#include "commands/run_program.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/main_window.h"
#include "mainwindow/announce_win32.h"

namespace gw {

namespace {

constexpr char kUserAgent[] = "Mozilla/5.0 Gecko/41.0 Firefox/41.0";
constexpr int kUpdateRetryTimer = 0;

// What the window thread and a check's worker share. The worker only reads
// the options and writes the outcome.
struct UpdateCheckRun {
  int serial = 0;
  UpdateCheckOptions options;
  std::mutex mutex;
  bool done = false;
  UpdateOutcome outcome;
};

// The check that runs, from its start until its answer has been shown; only
// the window thread touches these.
std::shared_ptr<UpdateCheckRun> g_running;
UpdateCaller g_running_caller = UpdateCaller::StartUp;
int g_last_serial = 0;
// Failures in a row of the checks nobody asked for, while quiet.
int g_quiet_failures = 0;
// The news that the tray notification announces, until it is clicked or gone.
Text g_announced_page;
std::function<bool(const Text&)> g_announced_open;

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

// The certificate (PEM) of one entry of libcurl's certificate information.
std::string PemOf(const curl_slist* fields) {
  for (; fields; fields = fields->next) {
    const std::string_view field(fields->data);
    if (field.rfind("Cert:", 0) == 0) return std::string(field.substr(5));
  }
  return std::string();
}

bool AddPemCertificate(HCERTSTORE store, const std::string& pem, PCCERT_CONTEXT* added) {
  DWORD size = 0;
  if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            nullptr, &size, nullptr, nullptr))
    return false;
  std::vector<BYTE> der(size);
  if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            der.data(), &size, nullptr, nullptr))
    return false;
  return CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                          der.data(), size, CERT_STORE_ADD_ALWAYS, added) != FALSE;
}

// The host of the address that answered last (after redirects).
std::wstring AnsweringHost(CURL* curl) {
  char* effective = nullptr;
  curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective);
  std::wstring host;
  CURLU* url = curl_url();
  char* part = nullptr;
  if (url && effective && curl_url_set(url, CURLUPART_URL, effective, 0) == CURLUE_OK &&
      curl_url_get(url, CURLUPART_HOST, &part, 0) == CURLUE_OK && part) {
    const Text text = Utf8ToText(part);
    host.assign(text.begin(), text.end());
    // An IPv6 address comes in brackets.
    if (host.size() > 2 && host.front() == L'[' && host.back() == L']')
      host = host.substr(1, host.size() - 2);
  }
  curl_free(part);
  curl_url_cleanup(url);
  return host;
}

// Checks the server's certificate chain against the system's trusted roots
// and the host name, as Windows' TLS layer does by itself. Some Schannel
// implementations (Wine's) leave this check to the program, and a download
// must never be trusted without it. False when the chain is not trusted or
// libcurl could not report it.
bool ServerCertificateTrusted(CURL* curl) {
  curl_certinfo* info = nullptr;
  if (curl_easy_getinfo(curl, CURLINFO_CERTINFO, &info) != CURLE_OK || !info ||
      info->num_of_certs <= 0)
    return false;
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
  if (!store) return false;
  PCCERT_CONTEXT leaf = nullptr;
  bool complete = true;
  for (int i = 0; i < info->num_of_certs && complete; ++i)
    complete = AddPemCertificate(store, PemOf(info->certinfo[i]), i == 0 ? &leaf : nullptr);

  bool trusted = false;
  const std::wstring host = AnsweringHost(curl);
  if (complete && leaf && !host.empty()) {
    char server_auth[] = szOID_PKIX_KP_SERVER_AUTH;
    LPSTR usages[] = {server_auth};
    CERT_CHAIN_PARA chain_para{};
    chain_para.cbSize = sizeof(chain_para);
    chain_para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    chain_para.RequestedUsage.Usage.cUsageIdentifier = 1;
    chain_para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (CertGetCertificateChain(nullptr, leaf, nullptr, store, &chain_para, 0, nullptr, &chain)) {
      SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
      ssl.cbSize = sizeof(ssl);
      ssl.dwAuthType = AUTHTYPE_SERVER;
      ssl.pwszServerName = const_cast<wchar_t*>(host.c_str());
      CERT_CHAIN_POLICY_PARA policy{};
      policy.cbSize = sizeof(policy);
      policy.pvExtraPolicyPara = &ssl;
      CERT_CHAIN_POLICY_STATUS status{};
      status.cbSize = sizeof(status);
      trusted = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status) &&
                status.dwError == 0;
      CertFreeCertificateChain(chain);
    }
  }
  if (leaf) CertFreeCertificateContext(leaf);
  CertCloseStore(store, 0);
  return trusted;
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
  // The user's proxy, or none (and never the proxy variables of the
  // environment, which are no Windows setting).
  const ProxyChoice choice = UserProxyFor(url, connect_timeout_ms);
  const std::string proxy = TextToUtf8(choice.server);
  curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
  curl_easy_setopt(curl, CURLOPT_NOPROXY, proxy.empty() ? "*" : "");
  if (choice.offer_logon) {
    // A proxy named by the user or an administrator that asks who is there
    // gets the user's Windows logon.
    curl_easy_setopt(curl, CURLOPT_PROXYAUTH, CURLAUTH_NEGOTIATE | CURLAUTH_NTLM);
    curl_easy_setopt(curl, CURLOPT_PROXYUSERPWD, ":");
  }
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  if (secure) curl_easy_setopt(curl, CURLOPT_CERTINFO, 1L);

  const CURLcode result = curl_easy_perform(curl);
  if (error) *error = static_cast<int>(result);
  // A body cut short because it is too long still arrived (and is too long).
  download.arrived = result == CURLE_OK || (result == CURLE_WRITE_ERROR && sink.too_long);
  if (download.arrived && secure && !ServerCertificateTrusted(curl)) {
    download.arrived = false;
    if (error) *error = CURLE_PEER_FAILED_VERIFICATION;
  }
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  download.status = status;
  curl_easy_cleanup(curl);
  if (!download.arrived) download.body.clear();
  return download;
}

UpdateOutcome FetchUpdateOutcome(const UpdateCheckOptions& options) {
  UpdateOutcome outcome;
  const bool connected =
      options.is_connected ? options.is_connected() : WindowsReportsConnection();
  if (!connected) return outcome;
  VersionDownload download = DownloadVersionFile(VersionFileAddress(options.page_address),
                                                 options.connect_timeout_ms,
                                                 options.total_timeout_ms);
  outcome.result = EvaluateVersionDownload(download, kProgramVersion, outcome.version);
  return outcome;
}

namespace {

// The worker: the check, then the event for the loop. Nobody waits for it;
// when the program ends first, the process ends it.
DWORD WINAPI RunCheck(void* parameter) {
  // The worker's own reference to the run, handed over by CheckForUpdate.
  std::unique_ptr<std::shared_ptr<UpdateCheckRun>> run(
      static_cast<std::shared_ptr<UpdateCheckRun>*>(parameter));
  UpdateOutcome outcome = FetchUpdateOutcome((*run)->options);
  {
    std::lock_guard<std::mutex> lock((*run)->mutex);
    (*run)->outcome = std::move(outcome);
    (*run)->done = true;
  }
  Event event;
  event.kind = EventKind::UpdateCheckResult;
  event.window = MainWindow;
  event.object = (*run)->serial;
  PostEventFromThread(event);
  return 0;
}

Text StatusBarText() {
  HWND bar = App().status_bar;
  if (!bar) return Text();
  const LRESULT length = SendMessageW(bar, SB_GETTEXTLENGTHW, 0, 0);
  std::vector<wchar_t> buffer(static_cast<size_t>(LOWORD(length)) + 1);
  SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buffer.data()));
  return Text(reinterpret_cast<const char16_t*>(buffer.data()));
}

// Hidden in the tray, the user is busy elsewhere.
bool Quiet() { return !(App().main_window && IsWindowVisible(App().main_window)); }

bool OpenPage(const Text& page, const std::function<bool(const Text&)>& open_page) {
  return open_page ? open_page(page) : RunProgram(page);
}

void ShowAnswer(UpdateAnswer answer, const UpdateOutcome& outcome,
                const UpdateCheckOptions& options) {
  const Text& page = options.page_address;
  g_quiet_failures = answer == UpdateAnswer::RetryLater ? g_quiet_failures + 1 : 0;
  switch (answer) {
    case UpdateAnswer::Nothing:
      break;
    case UpdateAnswer::RetryLater:
      StartMainTimer(kUpdateRetryTimer, UpdateRetryDelayMs(g_quiet_failures));
      break;
    case UpdateAnswer::Announce: {
      // A notification of the tray icon, which takes nobody's keyboard; a
      // click on it opens the page.
      g_announced_page = page;
      g_announced_open = options.open_page;
      const Text text = Tr(u"Update", u"NewVersion") + outcome.version + u".\n" +
                        Tr(u"Update", u"ClickToVisit");
      if (ShowTrayBalloon(Text(kWindowTitle), text, false)) break;
      g_announced_page.clear();
      if (Quiet()) {
        // No tray icon yet (Explorer at sign-in may not take icons at
        // first), and no window: asked again later, never a box.
        StartMainTimer(kUpdateRetryTimer, UpdateRetryDelayMs(++g_quiet_failures));
        break;
      }
      // No tray icon to show it: the offer, with No as its default button,
      // so that a stray Enter opens nothing.
      const Text offer = NewVersionMessage(Tr(u"Update", u"NewVersion"), outcome.version,
                                           Tr(u"Update", u"AskVisit"));
      if (ShowMessage(offer, MB_YESNO | MB_DEFBUTTON2) == IDYES) OpenPage(page, options.open_page);
      break;
    }
    case UpdateAnswer::NoConnection:
      ShowMessage(Tr(u"Update", u"ErrInternet"), MB_ICONERROR);
      break;
    case UpdateAnswer::Unreadable:
      ShowMessage(UpdateErrorMessage(Tr(u"Update", u"ErrUpdate"), page), MB_ICONERROR);
      break;
    case UpdateAnswer::Offer: {
      const Text offer = NewVersionMessage(Tr(u"Update", u"NewVersion"), outcome.version,
                                           Tr(u"Update", u"AskVisit"));
      if (ShowMessage(offer, MB_YESNO) == IDYES) OpenPage(page, options.open_page);
      break;
    }
    case UpdateAnswer::Current:
      ShowMessage(Tr(u"Update", u"Current"), MB_ICONINFORMATION);
      break;
  }
}

}  // namespace

bool CheckForUpdate(UpdateCaller caller, const UpdateCheckOptions& options) {
  if (g_running) {
    g_running_caller = JoinCallers(g_running_caller, caller);
    return false;
  }
  auto run = std::make_shared<UpdateCheckRun>();
  run->serial = ++g_last_serial;
  run->options = options;
  g_running = run;
  g_running_caller = caller;
  auto* parameter = new std::shared_ptr<UpdateCheckRun>(run);
  HANDLE worker = CreateThread(nullptr, 0, RunCheck, parameter, 0, nullptr);
  if (worker)
    CloseHandle(worker);
  else
    RunCheck(parameter);  // no thread to be had: the check runs here, as it once did
  return true;
}

bool UpdateCheckRunning() { return g_running != nullptr; }

void FinishUpdateCheck(int serial) {
  if (!g_running || g_running->serial != serial) return;
  UpdateOutcome outcome;
  {
    std::lock_guard<std::mutex> lock(g_running->mutex);
    if (!g_running->done) return;
    outcome = std::move(g_running->outcome);
  }
  if (StatusBarText() == Tr(u"Update", u"StatusChecking")) SetStatusText(InfoStatusText());
  // The check counts as running until its answer has been shown.
  const std::shared_ptr<UpdateCheckRun> run = g_running;
  ShowAnswer(AnswerFor(g_running_caller, outcome.result, Quiet()), outcome, run->options);
  g_running.reset();
}

void OpenAnnouncedUpdate() {
  if (g_announced_page.empty()) return;
  const Text page = std::move(g_announced_page);
  g_announced_page.clear();
  OpenPage(page, g_announced_open);
}

void ForgetAnnouncedUpdate() { g_announced_page.clear(); }

void RunUpdateCommand(const UpdateCheckOptions& options) {
  SetStatusText(Tr(u"Update", u"StatusChecking"));
  Announce(Tr(u"Update", u"StatusChecking"), Politeness::Polite);
  CheckForUpdate(UpdateCaller::Menu, options);
}

void RunStartupUpdateCheck(const UpdateCheckOptions& options) {
  CheckForUpdate(UpdateCaller::StartUp, options);
}

void RetryUpdateCheck(const UpdateCheckOptions& options) {
  CheckForUpdate(UpdateCaller::Retry, options);
}

}  // namespace gw
