// Paths relative to a folder (the Settings window's Command field).
#include "settings/relative_path.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace gw {

namespace {

constexpr TextView kLongPathPrefix = u"\\\\?\\";

bool StartsWith(TextView text, TextView prefix) {
  return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

Text WithBackslashes(TextView text) {
  Text result(text);
  std::replace(result.begin(), result.end(), u'/', u'\\');
  return result;
}

// The folder the process runs in, with a trailing separator.
Text CurrentFolder() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  if (error) return Text();
  const std::u16string text = folder.u16string();
  return WithBackslashes(Text(text.begin(), text.end()));
}

// The end of the component that starts at `from`, just after its backslash;
// npos when no backslash follows.
std::size_t AfterNextBackslash(TextView path, std::size_t from) {
  const std::size_t slash = path.find(u'\\', from);
  return slash == TextView::npos ? TextView::npos : slash + 1;
}

// "\\server\share\" from position `start` (just after the two leading
// backslashes, or after "UNC\").
std::size_t NetworkRootLength(TextView path, std::size_t start) {
  const std::size_t after_server = AfterNextBackslash(path, start);
  if (after_server == TextView::npos || after_server == start + 1) return path.size() + 1;
  const std::size_t after_share = AfterNextBackslash(path, after_server);
  if (after_share == TextView::npos || after_share == after_server + 1) return path.size() + 1;
  return after_share;
}

bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

}  // namespace

std::size_t PathRootLength(TextView path) {
  if (StartsWith(path, u"\\\\")) return NetworkRootLength(path, 2);
  if (path.size() >= 4 && UpperAscii(path.substr(0, 4)) == u"UNC\\")
    return NetworkRootLength(path, 4);
  if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == u':' && path[2] == u'\\') return 3;
  if (!path.empty() && path[0] == u'\\') return 1;
  return 0;
}

Text MakeRelativePath(TextView path_in, TextView base_in) {
  Text path = WithBackslashes(path_in);
  Text base = WithBackslashes(base_in);
  if (base.empty()) base = CurrentFolder();
  if (StartsWith(base, kLongPathPrefix)) base.erase(0, kLongPathPrefix.size());
  // The base names a folder: without its trailing backslash the last folder
  // would not count as common with a path inside it.
  if (!base.empty() && base.back() != u'\\') base.push_back(u'\\');
  const bool long_form = StartsWith(path, kLongPathPrefix);
  if (long_form) path.erase(0, kLongPathPrefix.size());

  // Just after the last backslash of the common beginning.
  const std::size_t limit = std::min(path.size(), base.size());
  std::size_t common = 0;
  bool shared_backslash = false;
  for (std::size_t i = 0; i < limit; ++i) {
    if (UpperChar(path[i]) != UpperChar(base[i])) break;
    if (path[i] == u'\\') {
      common = i + 1;
      shared_backslash = true;
    }
  }

  // Different drives, different servers or shares, or nothing in common.
  if (!shared_backslash || common < PathRootLength(path))
    return long_form ? Text(kLongPathPrefix) + path : path;

  Text result;
  const auto ups = std::count(base.begin() + static_cast<std::ptrdiff_t>(common), base.end(), u'\\');
  for (std::ptrdiff_t k = 0; k < ups; ++k) result += u"..\\";
  result.append(path, common, Text::npos);
  return result;
}

}  // namespace gw
