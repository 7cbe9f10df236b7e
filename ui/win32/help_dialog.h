#pragma once
// CDlgHelp: a rich-text document of the program's resources in a window of its own that can
// be resized; the lite program's help. CRtfCtrl: the rich-edit control inside it, which opens
// the links it shows.

#include <string>

#include "res/resource.h"
#include "ui/win32/dialog.h"

// The lite program's help document (a resource of type PW_RICH_TEXT).
inline constexpr const wchar_t* kLiteHelpDocument = L"" IDR_LITE_HELP;

class CRtfCtrl {
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

class CDlgHelp : public Dialog {
 public:
  explicit CDlgHelp(const wchar_t* document) : document_(document) {}

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
  CRtfCtrl text_;
  // The text's offsets from the client edges, and the Close button's from the bottom.
  int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0, closeBottom_ = 0;
};

// The Help command: the document in CDlgHelp owned by `owner`, unless the folder browser is
// the window in front.
void ShowHelpDialog(HWND owner, const wchar_t* document);

// The open help dialog, if any (one at a time).
HWND OpenHelpDialog();
