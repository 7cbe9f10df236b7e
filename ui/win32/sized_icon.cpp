#include "ui/win32/sized_icon.h"

#include <map>
#include <utility>

#include "platform/win32/scoped_handle.h"

namespace {

int Pixels(IconSize size) {
  switch (size) {
    case IconSize::systemLarge:
      return GetSystemMetrics(SM_CXICON);
    case IconSize::systemSmall:
      return GetSystemMetrics(SM_CXSMICON);
    case IconSize::px16:
      return 16;
    case IconSize::px24:
      return 24;
    case IconSize::px32:
      return 32;
    case IconSize::px48:
      return 48;
    case IconSize::px64:
      return 64;
  }
  return 16;
}

}  // namespace

HICON LoadSizedIcon(int id, IconSize size) {
  static std::map<std::pair<int, IconSize>, platform::ScopedIcon> icons;
  auto [at, added] = icons.try_emplace({id, size});
  if (added) {
    const int pixels = Pixels(size);
    at->second.Reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                                   IMAGE_ICON, pixels, pixels, LR_DEFAULTCOLOR)));
  }
  return at->second.Get();
}
