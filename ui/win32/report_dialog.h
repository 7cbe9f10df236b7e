#pragma once
// ReportDialog: the report of a package, a row per data split file with its disk and its state
// and the summary under them, which the user can copy or save as a text file.

#include <string>

#include "ui/report_view.h"
#include "ui/win32/dialog.h"

class ReportDialog : public Dialog {
 public:
  explicit ReportDialog(const ReportView& view) : view_(view) {}

  // IDCANCEL once closed.
  INT_PTR Run(HWND owner);

  // The report's text, as the clipboard gets it, written to `path` in UTF-8; raises the file's
  // errors.
  void SaveTo(const std::string& path) const;

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;

 private:
  void FillList() const;
  void Copy() const;
  void SaveAs() const;

  const ReportView& view_;
};
