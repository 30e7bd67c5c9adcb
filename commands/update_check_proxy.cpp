#include "commands/update_check_proxy.h"

#include <vector>

namespace gw {

namespace {

std::vector<TextView> Split(TextView list, TextView separators) {
  std::vector<TextView> parts;
  std::size_t start = 0;
  while (start < list.size()) {
    const std::size_t end = list.find_first_of(separators, start);
    const std::size_t stop = end == TextView::npos ? list.size() : end;
    if (stop > start) parts.push_back(list.substr(start, stop - start));
    if (end == TextView::npos) break;
    start = end + 1;
  }
  return parts;
}

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

Text LowerAsciiText(TextView text) {
  Text lower(text);
  for (char16_t& c : lower) c = LowerAscii(c);
  return lower;
}

// `pattern` against all of `text`, "*" standing for any run of characters,
// ASCII letters in either case.
bool WildcardMatch(TextView pattern, TextView text) {
  std::size_t p = 0, t = 0;
  std::size_t star = TextView::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && LowerAscii(pattern[p]) == LowerAscii(text[t])) {
      ++p;
      ++t;
    } else if (star != TextView::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

bool IsDigits(TextView text) {
  if (text.empty()) return false;
  for (char16_t c : text)
    if (c < u'0' || c > u'9') return false;
  return true;
}

bool IsLoopback(TextView host) {
  if (EqualsIgnoreAsciiCase(host, u"localhost") || host == u"::1") return true;
  if (host.substr(0, 4) != u"127.") return false;
  const std::vector<TextView> parts = Split(host.substr(4), u".");
  if (parts.size() != 3) return false;
  for (TextView part : parts)
    if (!IsDigits(part)) return false;
  return true;
}

// A bypass entry as the host part alone: without a scheme in front, without
// brackets around an IPv6 address and without a port behind.
TextView BypassHost(TextView entry) {
  const std::size_t scheme_end = entry.find(u"://");
  if (scheme_end != TextView::npos) entry = entry.substr(scheme_end + 3);
  if (!entry.empty() && entry.front() == u'[') {
    const std::size_t close = entry.find(u']');
    return close == TextView::npos ? entry.substr(1) : entry.substr(1, close - 1);
  }
  const std::size_t colon = entry.rfind(u':');
  if (colon != TextView::npos && entry.find(u':') == colon && IsDigits(entry.substr(colon + 1)))
    entry = entry.substr(0, colon);
  return entry;
}

bool HasPort(TextView server) {
  if (!server.empty() && server.front() == u'[') {
    const std::size_t close = server.find(u']');
    return close != TextView::npos && close + 1 < server.size() && server[close + 1] == u':';
  }
  return server.find(u':') != TextView::npos;
}

}  // namespace

Text AddressScheme(TextView address) {
  const std::size_t end = address.find(u"://");
  return end == TextView::npos ? Text() : Text(address.substr(0, end));
}

Text AddressHost(TextView address) {
  const std::size_t scheme_end = address.find(u"://");
  if (scheme_end == TextView::npos) return Text();
  TextView authority = address.substr(scheme_end + 3);
  authority = authority.substr(0, authority.find_first_of(u"/?#"));
  const std::size_t at = authority.rfind(u'@');
  if (at != TextView::npos) authority = authority.substr(at + 1);
  if (!authority.empty() && authority.front() == u'[') {
    const std::size_t close = authority.find(u']');
    return close == TextView::npos ? Text() : Text(authority.substr(1, close - 1));
  }
  return Text(authority.substr(0, authority.find(u':')));
}

bool BypassesProxy(TextView host, TextView bypass) {
  const std::vector<TextView> entries = Split(bypass, u"; ,\t\r\n");
  bool loopback_direct = true;
  for (TextView entry : entries)
    if (EqualsIgnoreAsciiCase(entry, u"<-loopback>")) loopback_direct = false;
  if (loopback_direct && IsLoopback(host)) return true;
  for (TextView entry : entries) {
    if (EqualsIgnoreAsciiCase(entry, u"<local>")) {
      if (host.find(u'.') == TextView::npos) return true;
    } else if (entry.front() != u'<' && WildcardMatch(BypassHost(entry), host)) {
      return true;
    }
  }
  return false;
}

ProxyChoice ChooseProxy(TextView address, TextView proxies, TextView bypass, ProxySource source) {
  ProxyChoice choice;
  choice.server = ProxyForAddress(address, proxies, bypass);
  choice.offer_logon = !choice.server.empty() && source != ProxySource::Detected;
  return choice;
}

Text ProxyForAddress(TextView address, TextView proxies, TextView bypass) {
  const Text scheme = LowerAsciiText(AddressScheme(address));
  const Text host = AddressHost(address);
  if (scheme.empty() || host.empty()) return Text();

  TextView own, common, socks;
  for (TextView entry : Split(proxies, u"; \t\r\n")) {
    const std::size_t eq = entry.find(u'=');
    if (eq == TextView::npos) {
      if (common.empty()) common = entry;
      continue;
    }
    const Text key = LowerAsciiText(entry.substr(0, eq));
    const TextView server = entry.substr(eq + 1);
    if (key == scheme && own.empty()) own = server;
    if (key == u"socks" && socks.empty()) socks = server;
  }
  const bool only_socks = own.empty() && common.empty();
  TextView server = !own.empty() ? own : !common.empty() ? common : socks;
  if (server.empty() || BypassesProxy(host, bypass)) return Text();

  Text kind = only_socks ? Text(u"socks4") : Text(u"http");
  const std::size_t scheme_end = server.find(u"://");
  if (scheme_end != TextView::npos) {
    kind = LowerAsciiText(server.substr(0, scheme_end));
    if (kind == u"socks") kind = u"socks4";
    server = server.substr(scheme_end + 3);
  }
  while (!server.empty() && server.back() == u'/') server.remove_suffix(1);
  if (server.empty()) return Text();
  Text result = kind + u"://" + Text(server);
  if (!HasPort(server))
    result += kind == u"http" ? u":80" : kind == u"https" ? u":443" : u":1080";
  return result;
}

}  // namespace gw
