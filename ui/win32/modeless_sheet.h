#pragma once
// The comctl32 property sheet, modeless, as a program's main window: the sheet adds its pages
// in order, creates the window and hands its messages to virtual handlers.

#include <string>
#include <vector>

#include "ui/win32/property_page.h"

class ModelessSheet {
 public:
  ModelessSheet() = default;
  ModelessSheet(const ModelessSheet&) = delete;
  ModelessSheet& operator=(const ModelessSheet&) = delete;
  virtual ~ModelessSheet();

  void AddPage(PropertyPage& page) { pages_.push_back(&page); }

  // Creates the window, hidden, on page `startPage`, then runs OnInit. Throws the
  // out-of-memory error when the window cannot be created.
  void Create(const std::string& caption, int startPage);
  HWND Handle() const { return handle_; }
  Window Self() const { return Window(handle_); }
  Window Item(int id) const { return Window(GetDlgItem(handle_, id)); }

  int ActiveIndex() const;
  PropertyPage* ActivePage() const;
  void SetActivePage(int index) const;
  Window TabControl() const;
  int PageCount() const { return static_cast<int>(pages_.size()); }
  PropertyPage& Page(int index) const { return *pages_.at(static_cast<std::size_t>(index)); }

  // Hands a queued message to the sheet's keyboard handling (Tab, Enter, mnemonics); true
  // when it took the message.
  bool PreTranslate(MSG& message) const;

 protected:
  // After the sheet and its first page exist.
  virtual void OnInit() {}
  // Every message of the sheet window before the sheet's own handling; true when handled,
  // with the result in `result`.
  virtual bool OnMessage(UINT /*message*/, WPARAM, LPARAM, LRESULT& /*result*/) { return false; }
  // The sheet's own handling of a message.
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) const;

 private:
  static int CALLBACK Callback(HWND window, UINT message, LPARAM lParam);
  static LRESULT CALLBACK SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR data);

  std::vector<PropertyPage*> pages_;
  HWND handle_ = nullptr;
};
