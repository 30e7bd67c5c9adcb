#include "commands/about.h"

namespace gw {

Text ShortWindowTitle(TextView title) {
  while (!title.empty() && (title.back() == u' ' || title.back() == u'.')) title.remove_suffix(1);
  return Text(title);
}

Text WithoutAmpersands(TextView caption) {
  Text result;
  for (char16_t c : caption)
    if (c != u'&') result.push_back(c);
  return result;
}

}  // namespace gw
