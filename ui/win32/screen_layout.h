#pragma once
// The monitors around a window, for KeepRectOnScreen.

#include "ui/keep_rect_on_screen.h"

// Every monitor, and the work area (or, with `wholeMonitor`, the whole area) of the monitor
// nearest `rect`; the desktop window's rectangle when the monitors cannot be asked.
ScreenLayout ScreenLayoutAround(const WindowRect& rect, bool wholeMonitor);
