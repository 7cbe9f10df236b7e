#pragma once
// RichTextView: a rich-edit control of a dialog that shows a document and opens the links in it.

#include <string>

#include "ui/win32/windows_ui.h"

class RichTextView {
 public:
  // Takes over the rich-edit control `id` of `dialog`: links are found and open on a click.
  void Attach(HWND dialog, int id);
  // Rich text in the program's ANSI code page, as the control reads it.
  void SetRichText(const std::string& rtf) const;
  // A link notice of the dialog's; true when it was a click that opened (or tried) the link.
  bool OnLink(const ENLINK& link) const;
  HWND Handle() const { return handle_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR data);
  void SetFormattingRectangle() const;

  HWND handle_ = nullptr;
};
