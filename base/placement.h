// Where a secondary window opens: centred over the main window and kept on
// the screen that the main window is on.
#pragma once

namespace gw {

// A rectangle in screen pixels (right and bottom exclusive).
struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

struct ScreenPoint {
  int x = 0;
  int y = 0;

  bool operator==(const ScreenPoint&) const = default;
};

// The top-left corner of a window of `width` x `height` pixels centred over
// the window `owner` (outer rectangles; halves rounded towards zero), then
// moved as far as needed to lie inside `work_area`, the work area of the
// owner's monitor. A window wider or taller than the work area keeps to its
// left or top edge. Monitors left of or above the primary one have negative
// coordinates, which stay as they are.
ScreenPoint CentredOver(const ScreenRect& owner, int width, int height,
                        const ScreenRect& work_area);

}  // namespace gw
