#include "tests/win32/window_driver.h"

#include <gtest/gtest.h>

#include "res/resource.h"
#include "res/string_table.h"
#include "ui/win32/lite_info_page.h"
#include "ui/win32/merge_page.h"
#include "ui/win32/message_loop.h"
#include "ui/win32/split_page.h"

int ScriptedPrompter::Ask(HWND owner, const std::string& text, unsigned boxType) {
  questions.push_back(text);
  titles.push_back(Window(owner).Text());
  if (answers.empty()) {
    ++unexpected;
    ADD_FAILURE() << "unexpected question: " << text;
    return (boxType & 0x0F) == kBoxYesNo ? kButtonNo : kButtonCancel;
  }
  Answer answer = std::move(answers.front());
  answers.pop_front();
  if (answer.before) answer.before();
  return answer.button;
}

LocationAnswer ScriptedPrompter::PromptLocation(HWND owner, LocationMode, std::string& path,
                                                const std::string& reason) {
  questions.push_back("location: " + reason);
  titles.push_back(Window(owner).Text());
  if (locations.empty()) return LocationAnswer::cancel;
  path = locations.front();
  locations.pop_front();
  return LocationAnswer::ok;
}

void ScriptedPrompter::ShowReport(HWND, const ReportView& view) { reports.push_back(view); }

void FlushMessages(unsigned milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchQueuedMessage(message);
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

std::string WithoutCarriageReturns(std::string text) {
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  return text;
}

SheetDriver::SheetDriver(int startPage, const std::string& startPath, ProgramKind kind,
                         const std::function<void(AppPreferences&)>& prepare)
    : prefs_(SettingsKey::Root::none), previous_(ReplacePrompter(&prompter_)) {
  const bool lite = kind == ProgramKind::lite;
  SetApplicationTitle(lite ? "PartwellLite" : "Partwell");
  prefs_.SetDefaults();
  if (prepare) prepare(prefs_);
  SheetSetup setup(prefs_);
  setup.lite = lite;
  setup.quitOnDestroy = false;
  std::unique_ptr<PropertyPage> splitTab;
  if (lite) {
    splitTab = std::make_unique<LiteInfoPage>();
  } else {
    splitTab = std::make_unique<SplitPage>(prefs_);
  }
  sheet_ = std::make_unique<MainSheet>(std::move(setup), std::move(splitTab),
                                       std::make_unique<MergePage>(prefs_));
  sheet_->SetStartPath(startPath);
  sheet_->CreateWindowOn(startPage);
  SetKeyboardWindow(sheet_.get());
  sheet_->Show();
  FlushMessages();
}

SheetDriver::~SheetDriver() {
  SetKeyboardWindow(nullptr);
  sheet_.reset();
  FlushMessages();
  ReplacePrompter(previous_);
}

void SheetDriver::SelectTab(int index) {
  sheet_->SetActivePage(index);
  FlushMessages();
}

Window SheetDriver::PageItem(int id) const { return sheet_->ActivePage()->Item(id); }

void SheetDriver::Type(int id, const std::string& text) {
  HWND box = PageItem(id).Handle();
  // A combo box tells its page of an edit only when it comes from the keyboard.
  if (HWND edit = FindWindowExW(box, nullptr, L"Edit", nullptr)) {
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_CLEAR, 0, 0);
    for (const wchar_t character : Widen(text)) SendMessageW(edit, WM_CHAR, character, 0);
  } else {
    SetWindowTextW(box, Widen(text).c_str());
  }
  FlushMessages();
}

void SheetDriver::ClickPage(int id) {
  PageItem(id).Send(BM_CLICK);
  FlushMessages();
}

Window SheetDriver::SheetButton(int id) const {
  // The sheet's own hidden buttons may share an id with ours: ours are the visible ones.
  for (HWND child = GetWindow(Handle(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(child) == id && (IsWindowVisible(child) || id == IDC_VERIFY_BUTTON)) {
      if (id != IDC_VERIFY_BUTTON || child == sheet_->VerifyButton().Handle()) return Window(child);
    }
  }
  return Window();
}

void SheetDriver::ClickSheet(int id) {
  SendMessageW(Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(SheetButton(id).Handle()));
  FlushMessages();
}

std::string SheetDriver::ButtonText(int id) const { return SheetButton(id).Text(); }
