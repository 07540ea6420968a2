// Where the main window goes at start. Its bounds are stored at exit and
// applied at the next start; after a monitor was disconnected or the
// resolution changed they can lie where no screen is any more.
#pragma once

#include <vector>

namespace dm {

struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const ScreenRect&) const = default;
};

// The stored bounds as they are while a piece of the title bar (the top
// `titleBarHeight` pixels) that a person can grab lies in one of the work
// areas: at least 40 pixels of its width (the whole bar when narrower) and
// 8 pixels of its height. Otherwise the window moves into the nearest work
// area, shrunk where it is larger, keeping as much of its place as fits.
// Without any work area the bounds stay.
ScreenRect PlaceOnWorkArea(const ScreenRect& stored, const std::vector<ScreenRect>& workAreas, int titleBarHeight);

}  // namespace dm
