#include "ui/win32/dialog.h"

#include "ui/win32/exception_guard.h"
#include "ui/win32/message_box.h"

namespace {

// Thrown by a failing check of the reading exchange, caught by ReadFields.
struct ExchangeFailed {};

}  // namespace

INT_PTR Dialog::RunModal(int templateId, HWND owner) {
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner,
                         DialogProcedure, reinterpret_cast<LPARAM>(this));
}

bool Dialog::ReadFields() {
  try {
    DataExchange exchange(*this, true);
    DoDataExchange(exchange);
    return true;
  } catch (const ExchangeFailed&) {
    return false;
  }
}

void Dialog::WriteFields() {
  DataExchange exchange(*this, false);
  DoDataExchange(exchange);
}

INT_PTR CALLBACK Dialog::DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = message == WM_INITDIALOG
                     ? reinterpret_cast<Dialog*>(lParam)
                     : reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return Dispatch(self, window, message, wParam, lParam);
}

INT_PTR CALLBACK Dialog::PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self =
      message == WM_INITDIALOG
          ? reinterpret_cast<Dialog*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam)
          : reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return Dispatch(self, window, message, wParam, lParam);
}

INT_PTR Dialog::Dispatch(Dialog* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG && self != nullptr) {
    self->handle_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (self == nullptr) return FALSE;
  const INT_PTR result =
      CallGuarded(window, INT_PTR{FALSE}, [&] { return self->Handle(message, wParam, lParam); });
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->handle_ = nullptr;
  }
  return result;
}

INT_PTR Dialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  switch (message) {
    case WM_INITDIALOG:
      return OnInit() ? TRUE : FALSE;
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE
                                                                                       : FALSE;
    case WM_NOTIFY:
      if (!OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) return FALSE;
      SetWindowLongPtrW(handle_, DWLP_MSGRESULT, result);
      return TRUE;
    default:
      if (!OnMessage(message, wParam, lParam, result)) return FALSE;
      // Messages that return their value themselves rather than through DWLP_MSGRESULT.
      switch (message) {
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_QUERYDRAGICON:
          return static_cast<INT_PTR>(result);
        default:
          SetWindowLongPtrW(handle_, DWLP_MSGRESULT, result);
          return TRUE;
      }
  }
}

void DataExchange::Text(int id, std::string& value) const {
  const Window control = dialog_.Item(id);
  if (reading_)
    value = control.Text();
  else
    control.SetText(value);
}

void DataExchange::Text(int id, std::string& value, int limit) const {
  if (!reading_) dialog_.Item(id).Send(EM_LIMITTEXT, static_cast<WPARAM>(limit));
  Text(id, value);
}

void DataExchange::Check(int id, bool& value) const {
  const Window control = dialog_.Item(id);
  if (reading_)
    value = control.IsChecked();
  else
    control.SetCheck(value);
}

void DataExchange::RadioPair(int firstId, bool& secondChecked) const {
  const Window first = dialog_.Item(firstId);
  const Window second = dialog_.Item(firstId + 1);
  if (reading_) {
    // Neither checked leaves the value as it was.
    if (first.IsChecked()) secondChecked = false;
    if (second.IsChecked()) secondChecked = true;
  } else {
    first.SetCheck(!secondChecked);
    second.SetCheck(secondChecked);
  }
}

void DataExchange::Fail(int id, const std::string& message, unsigned boxType) const {
  ShowFailure(id, message, boxType);
  throw ExchangeFailed{};
}

void DataExchange::ShowFailure(int id, const std::string& message, unsigned boxType) const {
  if (!message.empty()) ShowMessage(GetAncestor(dialog_.Handle(), GA_ROOT), message, boxType);
  const Window control = dialog_.Item(id);
  control.Focus();
  control.Send(EM_SETSEL, 0, -1);
}
