#pragma once
// Icons of the program's resources at the sizes the windows draw them.

#include "ui/win32/windows_ui.h"

enum class IconSize {
  systemLarge = 0,
  systemSmall = 1,
  px16 = 2,
  px24 = 3,
  px32 = 4,
  px48 = 5,
  px64 = 6
};

// Icon `id` at `size`, loaded once and kept for the program's life; null when it cannot be.
HICON LoadSizedIcon(int id, IconSize size);
