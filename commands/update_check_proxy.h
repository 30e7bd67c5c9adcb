// The update check goes through the user's proxy. These are the rules of the
// proxy and bypass lists as Windows keeps them (Internet Options, or what a
// configuration script answers), without Windows;
// commands/update_check_proxy_win32.cpp asks Windows for the lists.
#pragma once
#include "base/text.h"

namespace gw {

// The scheme ("https") and the host of an address ("glyphwell.example.org";
// an IPv6 address without its brackets), both as written; empty when the
// address has none.
Text AddressScheme(TextView address);
Text AddressHost(TextView address);

// True when `host` is reached without a proxy by `bypass`: entries separated
// by ";", "," or spaces, each a host name in which "*" stands for any run of
// characters (case does not matter; a scheme in front and a port behind are
// ignored), or "<local>" for every host name without a dot. Loopback hosts
// (localhost, 127.x.x.x, ::1) are always reached directly, unless the list
// holds "<-loopback>".
bool BypassesProxy(TextView host, TextView bypass);

// The proxy for `address` by `proxies`: entries separated by ";" or spaces,
// either one server for every scheme ("proxy:8080") or servers by scheme
// ("http=proxy:80;https=proxy:443"), where a "socks=" server serves the
// schemes without a server of their own. A server may carry its scheme
// ("http://proxy:8080", "socks5://proxy:1080"). The result is written as
// libcurl takes it: "http://proxy:8080" (port 80 when none is given),
// "socks4://proxy:1080" for a "socks=" server; empty for a direct connection
// (no server for the scheme, or `bypass` lets the host through).
Text ProxyForAddress(TextView address, TextView proxies, TextView bypass);

// Where the lists of servers came from.
enum class ProxySource {
  Typed,     // servers typed into Internet Options (by the user or by policy)
  Script,    // a configuration script at an address typed in the same way
  Detected,  // a script that automatic detection (WPAD) found on the network
};

// The proxy for an address, and whether it may be answered with the user's
// Windows logon (NTLM, Negotiate) when it asks who is there.
struct ProxyChoice {
  Text server;  // as ProxyForAddress gives it; empty for a direct connection
  bool offer_logon = false;
};

// ProxyForAddress, with the logon offered only to a server that the user or an
// administrator named, by itself or by the address of its script: never to
// one that automatic detection found, which anybody on the network can
// announce.
ProxyChoice ChooseProxy(TextView address, TextView proxies, TextView bypass, ProxySource source);

}  // namespace gw
