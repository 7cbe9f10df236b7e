#pragma once
// The About box: the program's name, version, description and legal notice under a banner.

#include <utility>

#include "platform/win32/scoped_handle.h"
#include "ui/about_text.h"
#include "ui/win32/dialog.h"

class AboutDialog : public Dialog {
 public:
  explicit AboutDialog(AboutText text) : text_(std::move(text)) {}

  // Runs the box modally; while one is open a second request brings it to the front and
  // returns IDABORT at once.
  INT_PTR Run(HWND owner);

  // The open About box, if any.
  static HWND OpenWindow();

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void SetItemFont(int id, HFONT font) const;
  void PaintBanner(HDC dc) const;
  void OpenWebAddress() const;

  AboutText text_;
  platform::ScopedFont smallFont_, titleFont_;
  platform::ScopedBitmap banner_;
  platform::ScopedBrush white_;
  platform::ScopedIcon icon_;
};

// The About box of the running program, from its own version data.
AboutText OwnAboutText();
