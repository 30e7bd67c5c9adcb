// Which answer each caller of the update check gets, how a second request
// joins a running check, and the proxy that the check takes from the user's
// proxy and bypass lists.
#include <gtest/gtest.h>

#include "commands/update_check.h"
#include "commands/update_check_proxy.h"

namespace gw {
namespace {

TEST(UpdateAnswerTest, EachCallerGetsItsAnswers) {
  using C = UpdateCaller;
  using R = UpdateResult;
  using A = UpdateAnswer;
  struct Row {
    C caller;
    A no_connection, unreadable, newer, current;
    bool quiet;
  };
  // Only the start-up check waits for a retry, and only the menu says that
  // the program is current.
  const Row rows[] = {
      {C::StartUp, A::RetryLater, A::Unreadable, A::Announce, A::Nothing, false},
      {C::Retry, A::NoConnection, A::Unreadable, A::Announce, A::Nothing, false},
      {C::Menu, A::NoConnection, A::Unreadable, A::Offer, A::Current, false},
      // Hidden in the tray: news unasked for is a notification, failures
      // wait for another try, and the menu answers as always.
      {C::StartUp, A::RetryLater, A::RetryLater, A::Announce, A::Nothing, true},
      {C::Retry, A::RetryLater, A::RetryLater, A::Announce, A::Nothing, true},
      {C::Menu, A::NoConnection, A::Unreadable, A::Offer, A::Current, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.caller) * 10 + row.quiet);
    EXPECT_EQ(AnswerFor(row.caller, R::NoConnection, row.quiet), row.no_connection);
    EXPECT_EQ(AnswerFor(row.caller, R::Unreadable, row.quiet), row.unreadable);
    EXPECT_EQ(AnswerFor(row.caller, R::NewerVersion, row.quiet), row.newer);
    EXPECT_EQ(AnswerFor(row.caller, R::Current, row.quiet), row.current);
  }
  // The quiet retries back off to one an hour.
  EXPECT_EQ(UpdateRetryDelayMs(1), 10000u);
  EXPECT_EQ(UpdateRetryDelayMs(2), 60000u);
  EXPECT_EQ(UpdateRetryDelayMs(5), 3600000u);
  EXPECT_EQ(UpdateRetryDelayMs(50), 3600000u);
}

TEST(UpdateAnswerTest, AJoinedCheckAnswersTheCallerWhoExpectsMost) {
  EXPECT_EQ(JoinCallers(UpdateCaller::StartUp, UpdateCaller::Menu), UpdateCaller::Menu);
  EXPECT_EQ(JoinCallers(UpdateCaller::Menu, UpdateCaller::StartUp), UpdateCaller::Menu);
  EXPECT_EQ(JoinCallers(UpdateCaller::Menu, UpdateCaller::Retry), UpdateCaller::Menu);
  EXPECT_EQ(JoinCallers(UpdateCaller::StartUp, UpdateCaller::Retry), UpdateCaller::Retry);
}

TEST(UpdateProxyTest, HostAndSchemeOfAnAddress) {
  EXPECT_EQ(AddressScheme(u"https://glyphwell.example.org/prog/"), u"https");
  EXPECT_EQ(AddressHost(u"https://glyphwell.example.org/prog/"), u"glyphwell.example.org");
  EXPECT_EQ(AddressHost(u"http://user:pw@Host.Example:8080?x"), u"Host.Example");
  EXPECT_EQ(AddressHost(u"https://[::1]:443/"), u"::1");
  EXPECT_EQ(AddressHost(u"glyphwell.example.org/prog/"), u"");
}

TEST(UpdateProxyTest, OneServerForEverySchemeOrServersByScheme) {
  const char16_t site[] = u"https://glyphwell.example.org/prog/glyphwell.vsn";
  EXPECT_EQ(ProxyForAddress(site, u"proxy.corp:8080", u""), u"http://proxy.corp:8080");
  EXPECT_EQ(ProxyForAddress(site, u"proxy.corp", u""), u"http://proxy.corp:80");
  EXPECT_EQ(ProxyForAddress(site, u"http=web:80;HTTPS=secure:3128 ftp=files:21", u""),
            u"http://secure:3128");
  EXPECT_EQ(ProxyForAddress(u"http://glyphwell.example.org/", u"http=web:80;https=secure:3128", u""),
            u"http://web:80");
  // No server for the scheme: direct, unless a SOCKS server serves the rest.
  EXPECT_EQ(ProxyForAddress(site, u"http=web:80;ftp=files:21", u""), u"");
  EXPECT_EQ(ProxyForAddress(site, u"http=web:80; socks=sox", u""), u"socks4://sox:1080");
  EXPECT_EQ(ProxyForAddress(site, u"socks5://sox:9050", u""), u"socks5://sox:9050");
  EXPECT_EQ(ProxyForAddress(site, u"http://[fd00::1]:3128/", u""), u"http://[fd00::1]:3128");
  // A configuration script's list of servers: the first one.
  EXPECT_EQ(ProxyForAddress(site, u"first:1;second:2", u""), u"http://first:1");
  EXPECT_EQ(ProxyForAddress(site, u"", u""), u"");
  EXPECT_EQ(ProxyForAddress(site, u" ; ", u""), u"");
}

TEST(UpdateProxyTest, TheLogonGoesOnlyToAProxyNamedByTheUserOrAnAdministrator) {
  const char16_t site[] = u"https://glyphwell.example.org/prog/glyphwell.vsn";
  const ProxyChoice typed = ChooseProxy(site, u"proxy.corp:8080", u"", ProxySource::Typed);
  EXPECT_EQ(typed.server, u"http://proxy.corp:8080");
  EXPECT_TRUE(typed.offer_logon);
  EXPECT_TRUE(ChooseProxy(site, u"proxy.corp:8080", u"", ProxySource::Script).offer_logon);
  // Found by WPAD: used, but never told who the user is.
  const ProxyChoice detected = ChooseProxy(site, u"wpad.evil:3128", u"", ProxySource::Detected);
  EXPECT_EQ(detected.server, u"http://wpad.evil:3128");
  EXPECT_FALSE(detected.offer_logon);
  EXPECT_FALSE(ChooseProxy(site, u"", u"", ProxySource::Typed).offer_logon);
}

TEST(UpdateProxyTest, BypassListsLetHostsThrough) {
  EXPECT_TRUE(BypassesProxy(u"intranet", u"<local>"));
  EXPECT_FALSE(BypassesProxy(u"glyphwell.example.org", u"<local>"));
  EXPECT_TRUE(BypassesProxy(u"Glyphwell.Example.org", u"*.example.org"));
  EXPECT_FALSE(BypassesProxy(u"example.org", u"*.example.org"));
  EXPECT_TRUE(BypassesProxy(u"10.1.2.3", u"192.168.*; 10.*"));
  EXPECT_TRUE(BypassesProxy(u"glyphwell.example.org", u"https://glyphwell.example.org:443"));
  EXPECT_TRUE(BypassesProxy(u"glyphwell.example.org", u"*glyphwell*"));
  EXPECT_FALSE(BypassesProxy(u"glyphwell.example.org", u"glyphwell.example"));
  // Loopback always goes direct, unless the list takes that back.
  for (const char16_t* host : {u"localhost", u"127.0.0.1", u"127.10.20.30", u"::1"}) {
    EXPECT_TRUE(BypassesProxy(host, u"")) << TextToUtf8(host);
    EXPECT_FALSE(BypassesProxy(host, u"<-loopback>")) << TextToUtf8(host);
  }
  EXPECT_FALSE(BypassesProxy(u"127.0.0.1.example.org", u""));
  EXPECT_EQ(ProxyForAddress(u"https://glyphwell.example.org/", u"proxy:8080", u"*.example.org"), u"");
  EXPECT_EQ(ProxyForAddress(u"http://127.0.0.1:8000/", u"proxy:8080", u""), u"");
}

}  // namespace
}  // namespace gw
