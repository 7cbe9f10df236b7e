#pragma once
// Every message box of the window programs goes through one prompter, so that tests can answer
// the questions that a user would and read the reports shown.

#include <string>

#include "engine/operation_host.h"
#include "ui/error_report.h"
#include "ui/win32/windows_ui.h"

struct ReportView;

class Prompter {
 public:
  virtual ~Prompter() = default;
  // A message box owned by `owner`; returns the button pressed (kButton*).
  virtual int Ask(HWND owner, const std::string& text, unsigned boxType) = 0;
  // The "Select Another Location" dialog; see OperationHost::PromptLocation.
  virtual LocationAnswer PromptLocation(HWND owner, LocationMode mode, std::string& path,
                                        const std::string& reason) = 0;
  // The report dialog, until the user closes it.
  virtual void ShowReport(HWND owner, const ReportView& view) = 0;
};

// The prompter in use: the real dialogs unless a test put its own in place.
Prompter& ActivePrompter();
// Puts `prompter` in place (null: the real dialogs again); returns the one it replaces.
Prompter* ReplacePrompter(Prompter* prompter);

// A message box with the application title as caption.
int ShowMessage(HWND owner, const std::string& text, unsigned boxType);
// What an error report says, if it says anything.
void ShowErrorReport(HWND owner, const ErrorReport& report);
