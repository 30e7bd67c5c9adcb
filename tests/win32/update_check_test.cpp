// The update check in-process against a real web server on the loopback
// address (tests/servers/version_server.py, started and stopped by ctest
// around these tests; GW_VERSION_SERVER names its state folder). Every body
// rule, status, time limit and the refused self-signed certificate, with the
// result and the messages the user sees.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
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

// The server's state folder as Wine sees it (drive Z: is the Unix root).
std::string ServerFolder() {
  const char* unix_path = std::getenv("GW_VERSION_SERVER");
  if (!unix_path || !*unix_path) return std::string();
  std::string path = std::string("Z:") + unix_path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path + "\\";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class UpdateCheckTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }

  void SetUp() override {
    folder_ = ServerFolder();
    ASSERT_FALSE(folder_.empty())
        << "GW_VERSION_SERVER is not set: run these tests through ctest (win32_update_tests), "
           "which starts the loopback server";
    std::istringstream ports(ReadFile(folder_ + "ports.txt"));
    for (std::string line; std::getline(ports, line);) {
      const auto eq = line.find('=');
      if (eq != std::string::npos) ports_[line.substr(0, eq)] = std::stoi(line.substr(eq + 1));
    }
    ASSERT_EQ(ports_.size(), 3u) << "no ports in " << folder_ << "ports.txt";
    ResetMainWindow();
    boxes_.answer = IDNO;
    boxes_.Install();
    KillTimer(App().main_window, 0);
  }

  void TearDown() override {
    SetMessageBoxHook(nullptr);
    KillTimer(App().main_window, 0);
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

  static UpdateCheckOptions Offline() {
    UpdateCheckOptions options;
    options.page_address = u"http://127.0.0.1:9/never/prog/";
    options.is_connected = [] { return false; };
    options.open_page = [](const Text&) {
      ADD_FAILURE() << "nothing may be opened offline";
      return false;
    };
    return options;
  }

  Text ErrUpdate(const Text& page) { return u"Error reading version information on " + page + u"."; }

  std::string folder_;
  std::map<std::string, int> ports_;
  MessageRecorder boxes_;
  std::vector<Text> opened_;
};

TEST_F(UpdateCheckTest, VersionBodiesGiveTheirResultAndMessage) {
  struct Case {
    const char* which;
    UpdateResult result;
    const char16_t* offered;  // version in the offer; nullptr: no offer
  };
  const Case cases[] = {
      {"v111", UpdateResult::Current, nullptr},
      {"v112", UpdateResult::NewerVersion, u"1.12"},
      {"v12", UpdateResult::NewerVersion, u"1.2"},
      {"v110", UpdateResult::Current, nullptr},
      {"v111nl", UpdateResult::NewerVersion, u"1.11\n"},
      {"sixteen", UpdateResult::NewerVersion, u"1.12000000000000"},
      {"redirect", UpdateResult::NewerVersion, u"1.12"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.which);
    boxes_.boxes.clear();
    EXPECT_EQ(CheckForUpdate(Options(c.which)), c.result);
    if (c.offered) {
      ASSERT_EQ(boxes_.boxes.size(), 1u);
      EXPECT_EQ(boxes_.boxes[0].first, kOfferStart + Text(c.offered) + u".\n\n" + kAskVisit);
      EXPECT_EQ(boxes_.boxes[0].second, static_cast<unsigned>(MB_YESNO));
    } else {
      EXPECT_TRUE(boxes_.boxes.empty());
    }
  }
  EXPECT_TRUE(opened_.empty()) << "the offer was answered No";

  // The program asked for the version file by its lower-cased name, with its
  // User-Agent.
  const std::string log = ReadFile(folder_ + "requests.log");
  EXPECT_NE(log.find("http /v112/prog/glyphwell.vsn Mozilla/5.0 Gecko/41.0 Firefox/41.0\n"),
            std::string::npos)
      << log;
}

TEST_F(UpdateCheckTest, LongEmptyAndErrorAnswersAreUnreadable) {
  for (const char* which : {"seventeen", "empty", "missing", "short404"}) {
    SCOPED_TRACE(which);
    boxes_.boxes.clear();
    EXPECT_EQ(CheckForUpdate(Options(which)), UpdateResult::Unreadable);
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].first, ErrUpdate(Page("http", which)));
    EXPECT_EQ(boxes_.boxes[0].second, static_cast<unsigned>(MB_ICONERROR));
  }
}

TEST_F(UpdateCheckTest, AcceptedOfferOpensTheProgramPage) {
  boxes_.answer = IDYES;
  EXPECT_EQ(CheckForUpdate(Options("v12")), UpdateResult::NewerVersion);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], Page("http", "v12"));
}

TEST_F(UpdateCheckTest, MenuCommandAddsTheMessagesOfNoConnectionAndCurrent) {
  RunUpdateCommand(Options("v111"));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].first, u"You have got the current version of the program.");
  EXPECT_EQ(boxes_.boxes[0].second, static_cast<unsigned>(MB_ICONINFORMATION));

  boxes_.boxes.clear();
  RunUpdateCommand(Offline());
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].first, u"No internet connection.");
  EXPECT_EQ(boxes_.boxes[0].second, static_cast<unsigned>(MB_ICONERROR));

  // Declining the offer ends the command without another message.
  boxes_.boxes.clear();
  RunUpdateCommand(Options("v112"));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].second, static_cast<unsigned>(MB_YESNO));
}

TEST_F(UpdateCheckTest, StartUpRetriesOnceOnTimerZeroWhenOffline) {
  HWND main = App().main_window;
  EXPECT_EQ(RunStartupUpdateCheck(Offline()), UpdateResult::NoConnection);
  EXPECT_TRUE(boxes_.boxes.empty()) << "the first failure is silent";
  EXPECT_TRUE(KillTimer(main, 0)) << "timer 0 must run for the retry";

  // A current version at start-up: nothing shown, no timer.
  EXPECT_EQ(RunStartupUpdateCheck(Options("v111")), UpdateResult::Current);
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_FALSE(KillTimer(main, 0));

  // An unreadable file is reported at start-up too, without a retry.
  EXPECT_EQ(RunStartupUpdateCheck(Options("empty")), UpdateResult::Unreadable);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].first, ErrUpdate(Page("http", "empty")));
  EXPECT_FALSE(KillTimer(main, 0));

  // The retry reports a connection that is still missing, and nothing for a
  // current version.
  boxes_.boxes.clear();
  RetryUpdateCheck(Offline());
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].first, u"No internet connection.");
  boxes_.boxes.clear();
  RetryUpdateCheck(Options("v111"));
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_FALSE(KillTimer(main, 0)) << "there is exactly one retry";
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

  EXPECT_EQ(CheckForUpdate(options), UpdateResult::Unreadable);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].first, ErrUpdate(options.page_address));

  // The program's own limits end it too (the only test that waits that long).
  boxes_.boxes.clear();
  UpdateCheckOptions defaults = Options("v112", "silent");
  EXPECT_EQ(defaults.total_timeout_ms, 15000);
  EXPECT_EQ(defaults.connect_timeout_ms, 5000);
  EXPECT_EQ(CheckForUpdate(defaults), UpdateResult::Unreadable);
  EXPECT_EQ(boxes_.boxes.size(), 1u);
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

  EXPECT_EQ(CheckForUpdate(options), UpdateResult::Unreadable);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].first, ErrUpdate(options.page_address));
  EXPECT_TRUE(opened_.empty());
  EXPECT_NE(ReadFile(folder_ + "tls.log").find("connection"), std::string::npos)
      << "the server was never reached";
}

}  // namespace
}  // namespace gw
