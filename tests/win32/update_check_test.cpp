// The update check in-process against a real web server on the loopback
// address (tests/servers/version_server.py, started and stopped by ctest
// around these tests; GW_VERSION_SERVER names its state folder): the
// download with its body rules, statuses, time limit and the refused
// self-signed certificate, and the check on its worker thread answering
// through the event loop.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "commands/commands_win32.h"
#include "tests/win32/event_test_support.h"

namespace gw {
namespace {

using namespace testing_support;

constexpr char16_t kOfferStart[] = u"There is the new version ";
constexpr char16_t kAskVisit[] = u"Do you want to visit the program website now?";

// The server's state folder as Wine sees it.
std::string ServerFolder() {
  const char* unix_path = std::getenv("GW_VERSION_SERVER");
  if (!unix_path || !*unix_path) return std::string();
  return FromUnixPath(unix_path).string() + "\\";
}

class UpdateCheckTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }

  void SetUp() override {
    folder_ = ServerFolder();
    ASSERT_FALSE(folder_.empty())
        << "GW_VERSION_SERVER is not set: run these tests through ctest (win32_update_tests), "
           "which starts the loopback server";
    std::istringstream ports(FileBytes(folder_ + "ports.txt"));
    for (std::string line; std::getline(ports, line);) {
      const auto eq = line.find('=');
      if (eq != std::string::npos) ports_[line.substr(0, eq)] = std::stoi(line.substr(eq + 1));
    }
    for (const char* port : {"http", "https", "silent"})
      ASSERT_EQ(ports_.count(port), 1u) << "no " << port << " port in " << folder_ << "ports.txt";
    ResetMainWindow();
    boxes_.answer = IDNO;
    boxes_.Install();
  }

  void TearDown() override {
    // A check that a failed test left running must not take the next one's
    // request.
    EXPECT_TRUE(PumpUntil([] { return !UpdateCheckRunning(); }, 20000));
    SetMessageBoxHook(nullptr);
    ResetMainWindow();
  }

  Text Page(const char* port, const std::string& which) {
    return AsciiToText("http" + std::string(std::string(port) == "https" ? "s" : "") +
                       "://127.0.0.1:" + std::to_string(ports_[port]) + "/" + which + "/prog/");
  }

  // Online, the page of `which` on the plain server, opening recorded.
  UpdateCheckOptions Options(const std::string& which, const char* port = "http") {
    UpdateCheckOptions options;
    options.page_address = Page(port, which);
    options.is_connected = [] { return true; };
    options.open_page = [this](const Text& page) {
      opened_.push_back(page);
      return true;
    };
    return options;
  }

  // Runs the loop until `count` answers were shown (or 20 s passed).
  bool WaitForAnswers(size_t count) {
    return PumpUntil([&] { return boxes_.boxes.size() >= count; }, 20000);
  }

  std::string folder_;
  std::map<std::string, int> ports_;
  MessageRecorder boxes_;
  std::vector<Text> opened_;
};

TEST_F(UpdateCheckTest, VersionBodiesGiveTheirOutcome) {
  struct Case {
    const char* which;
    UpdateResult result;
    const char16_t* version;
  };
  const Case cases[] = {
      {"v111", UpdateResult::Current, u"1.11"},
      {"v112", UpdateResult::NewerVersion, u"1.12"},
      {"v12", UpdateResult::NewerVersion, u"1.2"},
      {"v110", UpdateResult::Current, u"1.10"},
      {"v111nl", UpdateResult::NewerVersion, u"1.11\n"},
      {"sixteen", UpdateResult::NewerVersion, u"1.12000000000000"},
      {"redirect", UpdateResult::NewerVersion, u"1.12"},
      {"seventeen", UpdateResult::Unreadable, u""},
      {"empty", UpdateResult::Unreadable, u""},
      {"missing", UpdateResult::Unreadable, u""},
      {"short404", UpdateResult::Unreadable, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.which);
    const UpdateOutcome outcome = FetchUpdateOutcome(Options(c.which));
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(outcome.version, c.version);
  }
  EXPECT_TRUE(boxes_.boxes.empty()) << "fetching shows nothing";

  // The program asked for the version file by its lower-cased name, with its
  // User-Agent.
  const std::string log = FileBytes(folder_ + "requests.log");
  EXPECT_NE(log.find("http /v112/prog/glyphwell.vsn Mozilla/5.0 Gecko/41.0 Firefox/41.0\n"),
            std::string::npos)
      << log;
}

TEST_F(UpdateCheckTest, TheLoopShowsTheAnswerAndAnAcceptedOfferOpensThePage) {
  boxes_.answer = IDYES;
  EXPECT_TRUE(CheckForUpdate(UpdateCaller::Menu, Options("v12")));
  EXPECT_TRUE(boxes_.boxes.empty()) << "the answer waits for the worker and the loop";
  ASSERT_TRUE(WaitForAnswers(1));
  EXPECT_EQ(boxes_.boxes[0].first, kOfferStart + Text(u"1.2.\n\n") + kAskVisit);
  EXPECT_EQ(boxes_.boxes[0].second, static_cast<unsigned>(MB_YESNO));
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], Page("http", "v12"));
}

TEST_F(UpdateCheckTest, TheMenuJoinsARunningStartUpCheckAndGetsItsAnswer) {
  // The start-up check would say nothing for a current version; the menu
  // command that joins it gets the one answer, from the one download.
  EXPECT_TRUE(CheckForUpdate(UpdateCaller::StartUp, Options("held")));
  RunUpdateCommand(Options("held"));
  EXPECT_EQ(StatusText(), u" Checking for updates...");
  // The server answers only now, while both wait.
  WriteBytes(folder_ + "held.release", "\n");
  ASSERT_TRUE(WaitForAnswers(1));
  EXPECT_EQ(boxes_.boxes[0].first, u"You have got the current version of the program.");
  EXPECT_EQ(boxes_.boxes[0].second, static_cast<unsigned>(MB_ICONINFORMATION));
  EXPECT_EQ(StatusText(), InfoStatusText());
  // A second download would have asked too.
  const std::string log = FileBytes(folder_ + "requests.log");
  size_t requests = 0;
  for (size_t at = log.find("/held/"); at != std::string::npos; at = log.find("/held/", at + 1))
    ++requests;
  EXPECT_EQ(requests, 1u) << log;
  // Once answered, a new request starts a new check.
  EXPECT_TRUE(CheckForUpdate(UpdateCaller::Menu, Options("v111")));
  ASSERT_TRUE(WaitForAnswers(2));
}

TEST_F(UpdateCheckTest, NewsAtSignInIsANotificationAndFailuresInTheTrayAreSilent) {
  std::vector<Text> balloons;
  SetTrayBalloonHookForTesting([&](const Text&, const Text& text) { balloons.push_back(text); });
  ShowWindow(App().main_window, SW_HIDE);  // started for the tray
  HWND before = GetForegroundWindow();

  // The network is not up yet, then the site cannot be read: no box.
  UpdateCheckOptions offline = Options("v12");
  offline.is_connected = [] { return false; };
  EXPECT_TRUE(CheckForUpdate(UpdateCaller::StartUp, offline));
  EXPECT_TRUE(PumpUntil([] { return !UpdateCheckRunning(); }, 20000));
  EXPECT_TRUE(CheckForUpdate(UpdateCaller::Retry, offline));
  EXPECT_TRUE(PumpUntil([] { return !UpdateCheckRunning(); }, 20000));
  EXPECT_TRUE(CheckForUpdate(UpdateCaller::Retry, Options("missing")));
  EXPECT_TRUE(PumpUntil([] { return !UpdateCheckRunning(); }, 20000));
  EXPECT_TRUE(boxes_.boxes.empty());
  KillTimer(App().main_window, 0);  // the next try, an hour away by then

  // News: a notification, and a click on it opens the page.
  EXPECT_TRUE(CheckForUpdate(UpdateCaller::Retry, Options("v12")));
  EXPECT_TRUE(PumpUntil([&] { return !balloons.empty(); }, 20000));
  SetTrayBalloonHookForTesting(nullptr);
  EXPECT_TRUE(boxes_.boxes.empty());
  ASSERT_EQ(balloons.size(), 1u);
  EXPECT_EQ(balloons[0], kOfferStart + Text(u"1.2.\nClick here to visit the program website."));
  EXPECT_EQ(GetForegroundWindow(), before);
  EXPECT_TRUE(opened_.empty());
  SendMessageW(App().main_window, kTrayCallbackMessage, 0, NIN_BALLOONUSERCLICK);
  EXPECT_TRUE(PumpUntil([&] { return !opened_.empty(); }, 5000));
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], Page("http", "v12"));
  // Once: a later click on another note opens nothing.
  SendMessageW(App().main_window, kTrayCallbackMessage, 0, NIN_BALLOONUSERCLICK);
  Drain();
  EXPECT_EQ(opened_.size(), 1u);
}

TEST_F(UpdateCheckTest, ServerThatNeverAnswersEndsAtTheTimeLimit) {
  UpdateCheckOptions options = Options("v112", "silent");
  options.total_timeout_ms = 1500;
  int error = 0;
  const VersionDownload download =
      DownloadVersionFile(VersionFileAddress(options.page_address), options.connect_timeout_ms,
                          options.total_timeout_ms, &error);
  EXPECT_FALSE(download.arrived);
  EXPECT_EQ(error, 28) << "CURLE_OPERATION_TIMEDOUT";
  EXPECT_EQ(FetchUpdateOutcome(options).result, UpdateResult::Unreadable);

  // The program's own limits end it too (the only test that waits that long).
  UpdateCheckOptions defaults = Options("v112", "silent");
  EXPECT_EQ(defaults.total_timeout_ms, 15000);
  EXPECT_EQ(defaults.connect_timeout_ms, 5000);
  EXPECT_EQ(FetchUpdateOutcome(defaults).result, UpdateResult::Unreadable);
}

TEST_F(UpdateCheckTest, SelfSignedCertificateIsRefused) {
  UpdateCheckOptions options = Options("v112", "https");
  options.page_address = AsciiToText("https://localhost:" + std::to_string(ports_["https"]) +
                                     "/v112/prog/");
  int error = 0;
  VersionDownload download =
      DownloadVersionFile(VersionFileAddress(options.page_address), 5000, 10000, &error);
  EXPECT_FALSE(download.arrived);
  EXPECT_TRUE(download.body.empty());
  // CURLE_SSL_CONNECT_ERROR or CURLE_PEER_FAILED_VERIFICATION.
  EXPECT_TRUE(error == 35 || error == 60) << "libcurl error " << error;

  EXPECT_EQ(FetchUpdateOutcome(options).result, UpdateResult::Unreadable);
  EXPECT_NE(FileBytes(folder_ + "tls.log").find("connection"), std::string::npos)
      << "the server was never reached";
}

}  // namespace
}  // namespace gw
