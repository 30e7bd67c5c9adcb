// The user's proxy for the update check, as Windows keeps it for the current
// user (Internet Options): automatic detection and a configuration script
// first, as Windows itself uses them, then the servers typed in.
#include <windows.h>
#include <winhttp.h>

#include "commands/commands_win32.h"
#include "commands/update_check_proxy.h"
#include "mainwindow/app_state_win32.h"

namespace gw {

namespace {

Text Owned(LPWSTR text) {
  Text copy = text ? Text(reinterpret_cast<const char16_t*>(text)) : Text();
  if (text) GlobalFree(text);
  return copy;
}

}  // namespace

namespace {

// What detection or the configuration script at `script` says for `address`;
// false when it says nothing (no script found, none readable).
bool AskAutoProxy(HINTERNET session, const Text& address, const Text* script, Text& proxies,
                  Text& bypass) {
  WINHTTP_AUTOPROXY_OPTIONS options{};
  if (script) {
    options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = W(*script);
    // A script server that the user or an administrator named may learn who
    // asks; one that detection found may not.
    options.fAutoLogonIfChallenged = TRUE;
  } else {
    options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  WINHTTP_PROXY_INFO found{};
  if (!WinHttpGetProxyForUrl(session, W(address), &options, &found)) return false;
  // Without a server it means a direct connection.
  const Text servers = Owned(found.lpszProxy);
  bypass = Owned(found.lpszProxyBypass);
  proxies = found.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY ? servers : Text();
  return true;
}

}  // namespace

ProxyChoice UserProxyFor(const Text& address, long timeout_ms) {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return ProxyChoice();
  const bool auto_detect = config.fAutoDetect != FALSE;
  const Text script = Owned(config.lpszAutoConfigUrl);
  Text proxies = Owned(config.lpszProxy);
  Text bypass = Owned(config.lpszProxyBypass);
  ProxySource source = ProxySource::Typed;

  if (auto_detect || !script.empty()) {
    // Detection and the script's download end after the check's connection
    // time-out.
    HINTERNET session = WinHttpOpen(L"Glyphwell", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (session) {
      const int timeout = static_cast<int>(timeout_ms);
      WinHttpSetTimeouts(session, timeout, timeout, timeout, timeout);
      // Detection first, then the script, as Windows itself uses them; what
      // either says wins over the servers typed in. Asked one after the
      // other, so that it is known which of them named the server.
      if (auto_detect && AskAutoProxy(session, address, nullptr, proxies, bypass))
        source = ProxySource::Detected;
      else if (!script.empty() && AskAutoProxy(session, address, &script, proxies, bypass))
        source = ProxySource::Script;
      WinHttpCloseHandle(session);
    }
  }
  return ChooseProxy(address, proxies, bypass, source);
}

}  // namespace gw
