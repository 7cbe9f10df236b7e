#include "ui/win32/image_button.h"

#include "ui/win32/exception_guard.h"
#include "ui/win32/sized_icon.h"

namespace {

constexpr UINT_PTR kSubclassId = 2;

// 16 pixels at 96 dots per inch, 24 at 144: the face grows with the button.
IconSize FaceSize(HWND window) {
  HDC context = GetDC(window);
  const int dpi = context != nullptr ? GetDeviceCaps(context, LOGPIXELSY) : 96;
  if (context != nullptr) ReleaseDC(window, context);
  if (dpi >= 144) return IconSize::px24;
  return IconSize::px16;
}

}  // namespace

void ImageButton::Attach(HWND dialog, int id, int iconId) {
  handle_ = GetDlgItem(dialog, id);
  if (handle_ == nullptr) return;
  SetWindowSubclass(handle_, Procedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  SetIcon(iconId);
}

void ImageButton::SetIcon(int iconId) const {
  SendMessageW(handle_, BM_SETIMAGE, IMAGE_ICON,
               reinterpret_cast<LPARAM>(LoadSizedIcon(iconId, FaceSize(handle_))));
}

LRESULT CALLBACK ImageButton::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<ImageButton*>(data);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, Procedure, kSubclassId);
    self->handle_ = nullptr;
    return DefSubclassProc(window, message, wParam, lParam);
  }
  return CallGuarded(GetAncestor(window, GA_ROOT), LRESULT{0},
                     [&] { return self->Handle(message, wParam, lParam); });
}

LRESULT ImageButton::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case BM_GETCHECK:
      return check_;
    case BM_SETCHECK:
      if (static_cast<int>(wParam) != check_) {
        check_ = static_cast<int>(wParam);
        InvalidateRect(handle_, nullptr, FALSE);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (!hover_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, handle_, 0};
        TrackMouseEvent(&track);
        hover_ = true;
        InvalidateRect(handle_, nullptr, FALSE);
      }
      break;
    case WM_MOUSELEAVE:
      hover_ = false;
      InvalidateRect(handle_, nullptr, FALSE);
      break;
    default:
      break;
  }
  return DefSubclassProc(handle_, message, wParam, lParam);
}
