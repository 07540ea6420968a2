#include "app/shell/window_bounds.h"

#include <algorithm>
#include <climits>

namespace dm {

namespace {

constexpr int kGripWidth = 40;
constexpr int kGripHeight = 8;

ScreenRect Intersection(const ScreenRect& a, const ScreenRect& b) {
  ScreenRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

// The gap between two rectangles along both axes (0 where they overlap).
long long Distance(const ScreenRect& a, const ScreenRect& b) {
  long long dx = std::max({0, b.left - a.right, a.left - b.right});
  long long dy = std::max({0, b.top - a.bottom, a.top - b.bottom});
  return dx + dy;
}

bool TitleBarReachable(const ScreenRect& stored, const std::vector<ScreenRect>& areas, int titleBarHeight) {
  ScreenRect bar{stored.left, stored.top, stored.right, stored.top + std::max(1, titleBarHeight)};
  const int need_width = std::min(kGripWidth, std::max(1, bar.Width()));
  const int need_height = std::min(kGripHeight, bar.Height());
  for (const ScreenRect& area : areas) {
    ScreenRect seen = Intersection(bar, area);
    if (seen.Width() >= need_width && seen.Height() >= need_height) return true;
  }
  return false;
}

}  // namespace

ScreenRect PlaceOnWorkArea(const ScreenRect& stored, const std::vector<ScreenRect>& workAreas, int titleBarHeight) {
  if (TitleBarReachable(stored, workAreas, titleBarHeight)) return stored;
  const ScreenRect* nearest = nullptr;
  long long best = LLONG_MAX;
  for (const ScreenRect& area : workAreas) {
    if (area.Width() <= 0 || area.Height() <= 0) continue;
    long long distance = Distance(stored, area);
    if (distance < best) {
      best = distance;
      nearest = &area;
    }
  }
  if (!nearest) return stored;
  const int width = std::clamp(stored.Width(), 1, nearest->Width());
  const int height = std::clamp(stored.Height(), 1, nearest->Height());
  const int left = std::clamp(stored.left, nearest->left, nearest->right - width);
  const int top = std::clamp(stored.top, nearest->top, nearest->bottom - height);
  return ScreenRect{left, top, left + width, top + height};
}

}  // namespace dm
