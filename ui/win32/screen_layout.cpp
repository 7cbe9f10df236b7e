#include "ui/win32/screen_layout.h"

#include "ui/win32/windows_ui.h"

namespace {

WindowRect FromRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT area, LPARAM layout) {
  reinterpret_cast<ScreenLayout*>(layout)->monitors.push_back(FromRect(*area));
  return TRUE;
}

}  // namespace

ScreenLayout ScreenLayoutAround(const WindowRect& rect, bool wholeMonitor) {
  ScreenLayout layout;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&layout));
  const RECT windowRect{rect.left, rect.top, rect.right, rect.bottom};
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(MonitorFromRect(&windowRect, MONITOR_DEFAULTTONEAREST), &info)) {
    layout.nearestArea = FromRect(wholeMonitor ? info.rcMonitor : info.rcWork);
  } else {
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    layout.nearestArea = FromRect(desktop);
  }
  return layout;
}
