#pragma once
// HelpDialog: a rich-text document of the program's resources in a window of its own that can
// be resized; the lite program's help.

#include <string>

#include "res/resource.h"
#include "ui/win32/dialog.h"
#include "ui/win32/rich_text_view.h"

// The lite program's help document (a resource of type PW_RICH_TEXT).
inline constexpr const wchar_t* kLiteHelpDocument = L"" IDR_LITE_HELP;

class HelpDialog : public Dialog {
 public:
  explicit HelpDialog(const wchar_t* document) : document_(document) {}

  // Shows the dialog modally; when one is open already, brings that one forward and returns
  // IDABORT.
  INT_PTR Run(HWND owner);

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void Layout() const;
  void RememberRectangle() const;

  const wchar_t* document_;
  RichTextView text_;
  // The text's offsets from the client edges, and the Close button's from the bottom.
  int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0, closeBottom_ = 0;
};

// The Help command: the document in HelpDialog owned by `owner`, unless the folder browser is
// the window in front.
void ShowHelpDialog(HWND owner, const wchar_t* document);

// The open help dialog, if any (one at a time).
HWND OpenHelpDialog();
