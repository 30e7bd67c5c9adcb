#include "app/single_instance.h"

namespace gw {

std::uint64_t InstanceKey(TextView path) {
  // FNV-1a over the normalised UTF-16 units.
  std::uint64_t hash = 14695981039346656037ull;
  const Text upper = UpperText(path);
  char16_t previous = 0;
  for (char16_t c : upper) {
    if (c == u'/') c = u'\\';
    if (c == u'\\' && previous == u'\\') continue;
    previous = c;
    hash = (hash ^ (c & 0xFF)) * 1099511628211ull;
    hash = (hash ^ (c >> 8)) * 1099511628211ull;
  }
  return hash;
}

Text InstanceMutexName(std::uint64_t key) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  Text name = u"Local\\Glyphwell-";
  for (int shift = 60; shift >= 0; shift -= 4) name.push_back(kDigits[(key >> shift) & 0xF]);
  return name;
}

}  // namespace gw
