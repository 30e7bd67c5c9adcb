// Texts of the About window that need no Windows.
#pragma once
#include "base/text.h"

namespace gw {

// The About window's copyright line.
inline constexpr char16_t kCopyrightLine[] = u"Copyright \u00A9 2026";

// A window title as the "ErrOpen" message names it: without the spaces and
// full stops at its end ("About ..." gives "About").
Text ShortWindowTitle(TextView title);

// A button caption without its "&" marks ("&OK" gives "OK").
Text WithoutAmpersands(TextView caption);

// Where the About window's link, its OK button and its right edge lie, in
// layout units. The link at x 70 is as wide as its text needs, whatever the
// web site's address; the window is 250 wide, or wider, so that 20 units stay
// free right of the link; the OK button keeps 20 units from the right edge.
struct AboutLayout {
  int client_width = 250;
  int link_width = 130;
  int ok_x = 150;
};
AboutLayout AboutWindowLayout(int link_width);

}  // namespace gw
