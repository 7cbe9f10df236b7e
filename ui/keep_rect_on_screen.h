#pragma once
// Where a window saved on another screen layout may stand now: the arithmetic, without a
// window system, so that every layout can be tested.

#include <vector>

#include "settings/preferences.h"

// What the screens around a window offer.
struct ScreenLayout {
  std::vector<WindowRect> monitors;  // every monitor's whole area
  WindowRect nearestArea;            // the area to fit into: of the monitor nearest the window
};

// The window rectangle moved so that at least `marginX` by `marginY` pixels of it lie inside
// the nearest area, and its top-left corner is inside when it is larger than the area; a
// rectangle that is fully visible on the monitors is kept exactly.
WindowRect KeepRectOnScreen(const WindowRect& rect, const ScreenLayout& screens, int marginX = 32,
                            int marginY = 32);
