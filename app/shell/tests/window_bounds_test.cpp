#include "app/shell/window_bounds.h"

#include <gtest/gtest.h>

namespace dm {
namespace {

ScreenRect Rect(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

}  // namespace

void PrintTo(const ScreenRect& r, std::ostream* out) {
  *out << "(" << r.left << "," << r.top << " " << r.Width() << "x" << r.Height() << ")";
}

namespace {

TEST(WindowBounds, StaysWhileItsTitleBarCanBeGrabbed) {
  const std::vector<ScreenRect> one = {Rect(0, 0, 1024, 738)};  // a task bar below
  const int bar = 30;
  for (ScreenRect stored : {Rect(100, 100, 640, 480),
                            Rect(-4, -4, 1032, 746),      // maximised bounds stick out a little
                            Rect(-600, 50, 640, 480),     // 40 pixels of the bar on the screen
                            Rect(1024 - 40, 700, 640, 480),
                            Rect(200, 738 - 8, 640, 480)}) {
    EXPECT_EQ(PlaceOnWorkArea(stored, one, bar), stored) << stored.left << "," << stored.top;
  }
  EXPECT_EQ(PlaceOnWorkArea(Rect(5000, 5000, 10, 10), {}, bar), Rect(5000, 5000, 10, 10));
}

TEST(WindowBounds, MovesIntoTheNearestWorkAreaShrunkToFit) {
  const std::vector<ScreenRect> one = {Rect(0, 0, 1024, 738)};
  const int bar = 30;
  struct Case {
    ScreenRect stored, placed;
  } cases[] = {
      {Rect(1500, 1200, 640, 480), Rect(1024 - 640, 738 - 480, 640, 480)},  // the second monitor is gone
      {Rect(-601, 50, 640, 480), Rect(0, 50, 640, 480)},                    // 39 pixels are too few
      {Rect(200, -25, 640, 480), Rect(200, 0, 640, 480)},                   // bar above the screen
      {Rect(200, 738 - 7, 640, 480), Rect(200, 738 - 480, 640, 480)},
      {Rect(3000, 100, 2048, 1536), Rect(0, 0, 1024, 738)},                 // larger than the screen
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PlaceOnWorkArea(c.stored, one, bar), c.placed) << c.stored.left << "," << c.stored.top;
  }

  // Two monitors side by side: the nearer one takes it.
  const std::vector<ScreenRect> two = {Rect(0, 0, 1024, 738), Rect(1024, 0, 1280, 994)};
  EXPECT_EQ(PlaceOnWorkArea(Rect(2500, 1200, 640, 480), two, bar), Rect(2304 - 640, 994 - 480, 640, 480));
  EXPECT_EQ(PlaceOnWorkArea(Rect(-900, 200, 640, 480), two, bar), Rect(0, 200, 640, 480));
  EXPECT_EQ(PlaceOnWorkArea(Rect(1500, 200, 640, 480), two, bar), Rect(1500, 200, 640, 480));
}

}  // namespace
}  // namespace dm
