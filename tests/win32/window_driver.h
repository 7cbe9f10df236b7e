#pragma once
// Drives the real sheet and its pages in this process, by messages, as a user would: select a
// tab, type into a box, click a button; then reads back texts and enabled states.

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "settings/app_preferences.h"
#include "ui/console/app.h"
#include "ui/report_view.h"
#include "ui/win32/main_sheet.h"
#include "ui/win32/message_box.h"

// Answers the message boxes and the location prompt from queues and keeps what was asked and
// the reports shown. A question with nothing queued is answered No (or Cancel) and marked
// unexpected; a location prompt with nothing queued is cancelled.
class ScriptedPrompter : public Prompter {
 public:
  struct Answer {
    int button;
    std::function<void()> before;  // runs while the question is open
  };
  std::deque<Answer> answers;
  std::deque<std::string> locations;  // the paths chosen, one per prompt
  std::vector<std::string> questions;
  std::vector<std::string> titles;  // the owner's title while each question was open
  std::vector<ReportView> reports;
  int unexpected = 0;

  int Ask(HWND owner, const std::string& text, unsigned boxType) override;
  LocationAnswer PromptLocation(HWND owner, LocationMode mode, std::string& path,
                                const std::string& reason) override;
  void ShowReport(HWND owner, const ReportView& view) override;
};

// Handles the messages that are waiting, and those that arrive within `milliseconds`.
void FlushMessages(unsigned milliseconds = 20);

// A line feed for each "\r\n" of a multi-line box.
std::string WithoutCarriageReturns(std::string text);

// A program's sheet, made and shown as start-up makes it, with the prompter in place; the
// preferences are the defaults, changed by `prepare` before the window exists.
class SheetDriver {
 public:
  explicit SheetDriver(int startPage = 0, const std::string& startPath = {},
                       ProgramKind kind = ProgramKind::lite,
                       const std::function<void(AppPreferences&)>& prepare = {});
  ~SheetDriver();

  MainSheet& Sheet() { return *sheet_; }
  HWND Handle() const { return sheet_->Handle(); }
  ScriptedPrompter& Prompter() { return prompter_; }
  AppPreferences& Prefs() { return prefs_; }

  void SelectTab(int index);
  // A control of the active page.
  Window PageItem(int id) const;
  std::string PageText(int id) const { return WithoutCarriageReturns(PageItem(id).Text()); }
  void Type(int id, const std::string& text);
  // A click on a button of the page (by id) or of the sheet's row.
  void ClickPage(int id);
  void ClickSheet(int id);
  std::string ButtonText(int id) const;
  Window SheetButton(int id) const;
  bool SheetEnabled(int id) const { return SheetButton(id).IsEnabled(); }

 private:
  AppPreferences prefs_;
  ScriptedPrompter prompter_;
  ::Prompter* previous_;
  std::unique_ptr<MainSheet> sheet_;
};
