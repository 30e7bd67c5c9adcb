#include "base/placement.h"

namespace gw {

namespace {

// Moves a span [start, start + size) into [low, high) as far as needed; a
// span longer than the range starts at `low`.
int KeepWithin(int start, int size, int low, int high) {
  if (start + size > high) start = high - size;
  if (start < low) start = low;
  return start;
}

}  // namespace

ScreenPoint CentredOver(const ScreenRect& owner, int width, int height,
                        const ScreenRect& work_area) {
  const int x = owner.left + ((owner.right - owner.left) - width) / 2;
  const int y = owner.top + ((owner.bottom - owner.top) - height) / 2;
  return ScreenPoint{KeepWithin(x, width, work_area.left, work_area.right),
                     KeepWithin(y, height, work_area.top, work_area.bottom)};
}

}  // namespace gw
