#include "commands/about.h"

#include <algorithm>

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

AboutLayout AboutWindowLayout(int link_width) {
  constexpr int kLinkX = 70, kMargin = 20, kOkWidth = 80, kNarrowest = 250;
  AboutLayout layout;
  layout.link_width = std::max(link_width, 0);
  layout.client_width = std::max(kNarrowest, kLinkX + layout.link_width + kMargin);
  layout.ok_x = layout.client_width - kMargin - kOkWidth;
  return layout;
}

}  // namespace gw
