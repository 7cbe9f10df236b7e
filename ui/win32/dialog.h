#pragma once
// The base of every dialog and property page: one window procedure that keeps `this` with the
// window, sends each message to a virtual handler, and lets no exception through.

#include <string>

#include "ui/win32/window.h"

class DataExchange;

class Dialog {
 public:
  Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;
  virtual ~Dialog() = default;

  HWND Handle() const { return handle_; }
  Window Self() const { return Window(handle_); }
  Window Item(int id) const { return Window(GetDlgItem(handle_, id)); }

  // Runs the dialog of template `templateId` modally; returns the code it ended with, or -1
  // when it could not be created.
  INT_PTR RunModal(int templateId, HWND owner);

  // The fields and the controls: reading fails (false) after the failing check has shown its
  // message and put the focus on its control; writing does not fail.
  bool ReadFields();
  void WriteFields();

 protected:
  // WM_INITDIALOG; return true to let the system put the focus on the first control.
  virtual bool OnInit() { return true; }
  // WM_COMMAND; return true when handled.
  virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
  // WM_NOTIFY; return true when handled, with the result in `result`.
  virtual bool OnNotify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
  // Any other message; return true when handled, with the result in `result`.
  virtual bool OnMessage(UINT /*message*/, WPARAM, LPARAM, LRESULT& /*result*/) { return false; }
  // Binds the fields to their controls, in the direction `exchange` says.
  virtual void DoDataExchange(DataExchange& /*exchange*/) {}

  // The procedure that templates get; pages find `this` in their PROPSHEETPAGE, dialogs in
  // the creation parameter.
  static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static INT_PTR CALLBACK PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static INT_PTR Dispatch(Dialog* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);

  HWND handle_ = nullptr;
};

// One pass of the data exchange between a dialog's fields and its controls.
class DataExchange {
 public:
  DataExchange(const Dialog& dialog, bool reading) : dialog_(dialog), reading_(reading) {}

  bool Reading() const { return reading_; }
  const Dialog& Owner() const { return dialog_; }

  void Text(int id, std::string& value) const;
  // An edit box that takes at most `limit` characters: longer text cannot be typed.
  void Text(int id, std::string& value, int limit) const;
  void Check(int id, bool& value) const;
  // Two radio buttons, `firstId` and the one after it: whether the second is checked.
  void RadioPair(int firstId, bool& secondChecked) const;

  // Fails the reading: the message (when there is one) in a box of `boxType`, the focus to
  // the control, and the exchange stops.
  [[noreturn]] void Fail(int id, const std::string& message, unsigned boxType) const;
  // The same without stopping: for a check made outside an exchange.
  void ShowFailure(int id, const std::string& message, unsigned boxType) const;

 private:
  const Dialog& dialog_;
  bool reading_;
};
