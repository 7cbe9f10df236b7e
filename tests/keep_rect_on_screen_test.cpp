#include "ui/keep_rect_on_screen.h"

#include <gtest/gtest.h>

namespace {

const WindowRect kLeftMonitor{0, 0, 1920, 1080};
const WindowRect kLeftWorkArea{0, 0, 1920, 1040};  // a taskbar below
const WindowRect kRightMonitor{1920, 0, 3200, 1024};

TEST(KeepRectOnScreen, MovesOnlyWhatIsHiddenAndKeepsAMarginInside) {
  const ScreenLayout two{{kLeftMonitor, kRightMonitor}, kLeftWorkArea};
  const ScreenLayout one{{kLeftMonitor}, kLeftWorkArea};
  const struct {
    const char* what;
    ScreenLayout screens;
    WindowRect rect, expected;
  } cases[] = {
      {"fully visible", one, {100, 100, 600, 500}, {100, 100, 600, 500}},
      {"across two monitors", two, {1700, 100, 2200, 500}, {1700, 100, 2200, 500}},
      {"on a monitor that is gone", one, {2000, 100, 2500, 500}, {1888, 100, 2388, 500}},
      {"far to the left", one, {-900, 100, -400, 500}, {-468, 100, 32, 500}},
      {"far above", one, {100, -900, 600, -500}, {100, -368, 600, 32}},
      {"below the work area", one, {100, 1060, 600, 1460}, {100, 1008, 600, 1408}},
      {"reversed corners, visible", one, {600, 500, 100, 100}, {600, 500, 100, 100}},
      {"wider than the area", one, {-3000, 100, 100, 500}, {0, 100, 3100, 500}},
      {"partly off the left edge stays", one, {-100, 100, 400, 500}, {-100, 100, 400, 500}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KeepRectOnScreen(c.rect, c.screens), c.expected) << c.what;
  }
}

}  // namespace
