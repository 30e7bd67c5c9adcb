// Secondary windows open centred over the main window, on its monitor.
#include <gtest/gtest.h>

#include "base/placement.h"

namespace gw {

void PrintTo(const ScreenPoint& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }

namespace {

// Two monitors of 1920 x 1080: the primary one at the origin and a second
// one to its left, each with a taskbar of 40 pixels at the bottom.
constexpr ScreenRect kPrimaryWork{0, 0, 1920, 1040};
constexpr ScreenRect kLeftWork{-1920, 0, 0, 1040};

TEST(Placement, CentredOverTheOwnerHalvesRoundedTowardsZero) {
  EXPECT_EQ(CentredOver({100, 100, 655, 600}, 300, 200, kPrimaryWork), (ScreenPoint{227, 250}));
  EXPECT_EQ(CentredOver({100, 100, 655, 600}, 600, 201, kPrimaryWork), (ScreenPoint{78, 249}));
  // The owner on the monitor to the left: the window opens there too.
  EXPECT_EQ(CentredOver({-1500, 200, -945, 700}, 300, 200, kLeftWork),
            (ScreenPoint{-1373, 350}));
  // A monitor above the primary one.
  EXPECT_EQ(CentredOver({300, -900, 855, -400}, 301, 201, {0, -1080, 1920, 0}),
            (ScreenPoint{427, -751}));
}

TEST(Placement, KeptInsideTheWorkAreaOfTheOwnersMonitor) {
  // The owner half off the left monitor's left edge and above its top.
  EXPECT_EQ(CentredOver({-2100, -300, -1545, 200}, 400, 300, kLeftWork),
            (ScreenPoint{-1920, 0}));
  // Hanging into the taskbar and past the right edge of the primary monitor.
  EXPECT_EQ(CentredOver({1700, 900, 2255, 1400}, 400, 300, kPrimaryWork),
            (ScreenPoint{1520, 740}));
  // Not pushed onto the primary monitor from the left one's right edge.
  EXPECT_EQ(CentredOver({-300, 100, 255, 600}, 600, 200, kLeftWork), (ScreenPoint{-600, 250}));
  // Larger than the work area: its left and top edges stay on the screen.
  EXPECT_EQ(CentredOver({-1800, 100, -1245, 600}, 2000, 1200, kLeftWork),
            (ScreenPoint{-1920, 0}));
}

}  // namespace
}  // namespace gw
