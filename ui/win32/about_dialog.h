#pragma once
// The About box: the program's name, version, description and legal notice under a banner.

#include "platform/win32/windows_support.h"
#include "ui/about_text.h"

class CAboutDlg {
 public:
  explicit CAboutDlg(AboutText text);
  ~CAboutDlg();
  CAboutDlg(const CAboutDlg&) = delete;
  CAboutDlg& operator=(const CAboutDlg&) = delete;

  // Runs the box modally; while one is open a second request brings it to the front and
  // returns IDABORT at once.
  INT_PTR ShowModal(HWND owner);

  // The open About box, if any.
  static HWND OpenWindow();

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInit();
  void PaintBanner(HDC dc) const;
  void OpenWebAddress() const;

  AboutText text_;
  HWND dialog_ = nullptr;
  HFONT smallFont_ = nullptr;
  HFONT titleFont_ = nullptr;
  HBITMAP banner_ = nullptr;
  HBRUSH white_ = nullptr;
  HICON icon_ = nullptr;
};

// The About box of the running program, from its own version data.
AboutText OwnAboutText();
