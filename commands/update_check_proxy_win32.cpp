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

Text UserProxyFor(const Text& address, long timeout_ms) {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return Text();
  const bool auto_detect = config.fAutoDetect != FALSE;
  const Text script = Owned(config.lpszAutoConfigUrl);
  Text proxies = Owned(config.lpszProxy);
  Text bypass = Owned(config.lpszProxyBypass);

  if (auto_detect || !script.empty()) {
    // Detection and the script's download end after the check's connection
    // time-out.
    HINTERNET session = WinHttpOpen(L"Glyphwell", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (session) {
      const int timeout = static_cast<int>(timeout_ms);
      WinHttpSetTimeouts(session, timeout, timeout, timeout, timeout);
      WINHTTP_AUTOPROXY_OPTIONS options{};
      if (auto_detect) {
        options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
      }
      if (!script.empty()) {
        options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = W(script);
      }
      options.fAutoLogonIfChallenged = TRUE;
      WINHTTP_PROXY_INFO found{};
      if (WinHttpGetProxyForUrl(session, W(address), &options, &found)) {
        // What detection or the script says wins over the servers typed in;
        // without a server it means a direct connection.
        const Text servers = Owned(found.lpszProxy);
        bypass = Owned(found.lpszProxyBypass);
        proxies = found.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY ? servers : Text();
      }
      WinHttpCloseHandle(session);
    }
  }
  return ProxyForAddress(address, proxies, bypass);
}

}  // namespace gw
