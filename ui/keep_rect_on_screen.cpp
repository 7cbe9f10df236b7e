#include "ui/keep_rect_on_screen.h"

#include <algorithm>
#include <cstdint>

namespace {

WindowRect Normalized(const WindowRect& rect) {
  return {std::min(rect.left, rect.right), std::min(rect.top, rect.bottom),
          std::max(rect.left, rect.right), std::max(rect.top, rect.bottom)};
}

std::int64_t Area(const WindowRect& rect) {
  if (rect.IsEmpty()) return 0;
  return std::int64_t{rect.right - rect.left} * (rect.bottom - rect.top);
}

WindowRect Intersection(const WindowRect& a, const WindowRect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

// Moves [low, high) by `shift`.
void Shift(int& low, int& high, int shift) {
  low += shift;
  high += shift;
}

// One axis: at least `margin` of [low, high) inside [areaLow, areaHigh), and the low edge
// inside when the window is larger than the area.
void FitAxis(int& low, int& high, int areaLow, int areaHigh, int margin) {
  if (high < areaLow + margin) {
    Shift(low, high, areaLow + margin - high);
  } else if (low > areaHigh - margin) {
    Shift(low, high, areaHigh - margin - low);
  }
  if (low < areaLow && high - low > areaHigh - areaLow) Shift(low, high, areaLow - low);
}

}  // namespace

WindowRect KeepRectOnScreen(const WindowRect& rect, const ScreenLayout& screens, int marginX,
                            int marginY) {
  WindowRect fitted = Normalized(rect);
  std::int64_t hidden = Area(fitted);
  for (const WindowRect& monitor : screens.monitors) {
    hidden -= Area(Intersection(fitted, Normalized(monitor)));
  }
  if (hidden <= 0) return rect;
  const WindowRect area = Normalized(screens.nearestArea);
  FitAxis(fitted.left, fitted.right, area.left, area.right, marginX);
  FitAxis(fitted.top, fitted.bottom, area.top, area.bottom, marginY);
  return fitted;
}
