#pragma once
// ImageButton: the icon push button of every "Browse" button. It keeps its own check state and
// repaints when the mouse comes and goes, so the hover look follows the pointer.

#include "ui/win32/windows_ui.h"

class ImageButton {
 public:
  ImageButton() = default;
  ImageButton(const ImageButton&) = delete;
  ImageButton& operator=(const ImageButton&) = delete;

  // Takes over the button `id` of `dialog` and gives it icon `iconId` at 16 x 16 (scaled
  // with the screen's resolution).
  void Attach(HWND dialog, int id, int iconId);
  void SetIcon(int iconId) const;
  HWND Handle() const { return handle_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR data);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  HWND handle_ = nullptr;
  int check_ = 0;
  bool hover_ = false;
};
