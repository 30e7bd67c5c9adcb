// MakeRelativePath on an arbitrary path and base folder: the input is UTF-16
// (two bytes per unit); the units up to the first U+0000 are the path, the
// rest the base.
//
// Properties:
// - the result is either the path itself (slashes turned into backslashes,
//   a "\\?\" prefix kept) or a relative path: some "..\" followed by a tail
//   of the path that starts just after one of its backslashes;
// - a relative result is never longer than needed: it leaves the base only
//   up to the last folder that the two have in common;
// - a relative result only comes where the path and the base share the
//   path's whole root, and for plain absolute inputs (a drive or network
//   root, no empty, "." or ".." folders) the base joined with the result
//   names the path again, letter case aside;
// - the same input gives the same result; forward slashes change nothing.
#include <algorithm>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "settings/relative_path.h"

namespace {

using gw::Text;
using gw::TextView;

constexpr TextView kPrefix = u"\\\\?\\";

Text Backslashed(TextView text) {
  Text result(text);
  std::replace(result.begin(), result.end(), u'/', u'\\');
  return result;
}

Text WithoutPrefix(Text text) {
  if (text.size() >= kPrefix.size() && TextView(text).substr(0, kPrefix.size()) == kPrefix)
    text.erase(0, kPrefix.size());
  return text;
}

Text Upper(TextView text) {
  Text result;
  for (char16_t c : text) result.push_back(gw::UpperChar(c));
  return result;
}

std::vector<Text> Split(TextView text) {
  std::vector<Text> parts;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == u'\\') {
      parts.emplace_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

// An absolute path with a complete root and only named folders after it
// (a trailing backslash allowed when `folder` is set).
bool IsPlainAbsolute(TextView path, bool folder) {
  const size_t root = gw::PathRootLength(path);
  if (root < 3 || root > path.size()) return false;
  TextView rest = path.substr(root);
  if (folder) {
    if (rest.empty()) return true;
    if (rest.back() != u'\\') return false;
    rest.remove_suffix(1);
  }
  if (rest.empty()) return folder;
  for (const Text& part : Split(rest))
    if (part.empty() || part == u"." || part == u".." || part.find(u'\0') != Text::npos)
      return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Text input = gw::fuzz::Utf16FromBytes(data, size);
  const size_t nul = input.find(u'\0');
  const TextView path = TextView(input).substr(0, nul);
  const TextView base = nul == Text::npos ? TextView() : TextView(input).substr(nul + 1);
  // An empty base would mean the current folder, which is no part of the input.
  if (base.empty()) return 0;

  const Text result = gw::MakeRelativePath(path, base);
  GW_FUZZ_CHECK(result == gw::MakeRelativePath(Backslashed(path), Backslashed(base)));

  const Text full = Backslashed(path);
  if (result == full) return 0;
  const Text bare_path = WithoutPrefix(full);
  Text bare_base = WithoutPrefix(Backslashed(base));
  GW_FUZZ_CHECK(!bare_base.empty());  // nothing is relative to no folder
  if (bare_base.back() != u'\\') bare_base.push_back(u'\\');

  // "..\" k times, then a tail of the path that starts after one of its
  // backslashes, where the part left out is common to path and base, holds
  // the path's whole root, and k is the number of the base's folders below
  // it. A tail may itself begin with "..\", so every k is tried.
  size_t most_ups = 0;
  while (TextView(result).substr(3 * most_ups, 3) == u"..\\") ++most_ups;
  bool explained = false;
  for (size_t ups = 0; ups <= most_ups && !explained; ++ups) {
    const TextView tail = TextView(result).substr(3 * ups);
    if (tail.size() >= bare_path.size()) continue;
    const size_t cut = bare_path.size() - tail.size();
    if (bare_path[cut - 1] != u'\\' || TextView(bare_path).substr(cut) != tail) continue;
    if (cut > bare_base.size()) continue;
    if (Upper(TextView(bare_path).substr(0, cut)) != Upper(TextView(bare_base).substr(0, cut)))
      continue;
    if (cut < gw::PathRootLength(bare_path)) continue;
    const auto base_folders =
        static_cast<size_t>(std::count(bare_base.begin() + static_cast<std::ptrdiff_t>(cut),
                                       bare_base.end(), u'\\'));
    if (ups != base_folders) continue;
    explained = true;
    // Never longer than needed: no later backslash of the path lies in the
    // common beginning, so no folder is left and entered again.
    size_t same = cut;
    while (same < bare_path.size() && same < bare_base.size() &&
           gw::UpperChar(bare_path[same]) == gw::UpperChar(bare_base[same]))
      ++same;
    GW_FUZZ_CHECK(TextView(bare_path).substr(cut, same - cut).find(u'\\') == TextView::npos);
  }
  GW_FUZZ_CHECK(explained);

  // Base + result names the path again.
  if (IsPlainAbsolute(bare_path, false) && IsPlainAbsolute(bare_base, true)) {
    const size_t root = gw::PathRootLength(bare_base);
    std::vector<Text> joined;
    if (bare_base.size() > root)
      joined = Split(TextView(bare_base).substr(root, bare_base.size() - root - 1));
    for (const Text& part : Split(result)) {
      if (part == u"..") {
        GW_FUZZ_CHECK(!joined.empty());  // never above the root
        joined.pop_back();
      } else {
        joined.push_back(part);
      }
    }
    Text resolved = bare_base.substr(0, root);
    for (size_t i = 0; i < joined.size(); ++i) {
      if (i) resolved.push_back(u'\\');
      resolved += joined[i];
    }
    GW_FUZZ_CHECK(Upper(resolved) == Upper(bare_path));
  }
  return 0;
}
