#include "ui/win32/message_box.h"

#include <utility>

#include "base/message_format.h"
#include "res/resource.h"
#include "ui/win32/location_dialog.h"
#include "ui/win32/report_dialog.h"

namespace {

class SystemPrompter : public Prompter {
 public:
  int Ask(HWND owner, const std::string& text, unsigned boxType) override {
    const std::wstring caption = Widen(LoadMessage(IDS_APP_TITLE).value_or(""));
    return MessageBoxW(owner, Widen(text).c_str(), caption.c_str(), boxType);
  }
  LocationAnswer PromptLocation(HWND owner, LocationMode mode, std::string& path,
                                const std::string& reason) override {
    return AskForLocation(owner, mode, path, reason);
  }
  void ShowReport(HWND owner, const ReportView& view) override { ReportDialog(view).Run(owner); }
};

SystemPrompter systemPrompter;
Prompter* replacement = nullptr;

}  // namespace

Prompter& ActivePrompter() { return replacement != nullptr ? *replacement : systemPrompter; }

Prompter* ReplacePrompter(Prompter* prompter) { return std::exchange(replacement, prompter); }

int ShowMessage(HWND owner, const std::string& text, unsigned boxType) {
  return ActivePrompter().Ask(owner, text, boxType);
}

void ShowErrorReport(HWND owner, const ErrorReport& report) {
  if (report.shown) ShowMessage(owner, report.text, report.boxType);
}
