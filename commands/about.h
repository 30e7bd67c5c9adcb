// Texts of the About window that need no Windows.
#pragma once
#include "app/text.h"

namespace gw {

// The About window's copyright line.
inline constexpr char16_t kCopyrightLine[] = u"Copyright \u00A9 2026";

// A window title as the "ErrOpen" message names it: without the spaces and
// full stops at its end ("About ..." gives "About").
Text ShortWindowTitle(TextView title);

// A button caption without its "&" marks ("&OK" gives "OK").
Text WithoutAmpersands(TextView caption);

}  // namespace gw
