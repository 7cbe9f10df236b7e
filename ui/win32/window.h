#pragma once
// A window that someone else owns, with the few calls the pages make on their controls.

#include <string>

#include "ui/win32/windows_ui.h"

class Window {
 public:
  Window() = default;
  explicit Window(HWND handle) : handle_(handle) {}

  HWND Handle() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr && IsWindow(handle_); }

  // A child by its control id; an empty window when there is none.
  Window Item(int id) const { return Window(GetDlgItem(handle_, id)); }
  int Id() const { return GetDlgCtrlID(handle_); }

  std::string Text() const {
    const int length = GetWindowTextLengthW(handle_);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(handle_, text.data(), length + 1)));
    return Narrow(text);
  }
  // Only a change is sent, so that an edit box raises its change notice only for one. A
  // multi-line edit box breaks its lines only at "\r\n": lone line feeds become that.
  void SetText(const std::string& text) const {
    std::wstring wide = Widen(text);
    if ((GetWindowLongPtrW(handle_, GWL_STYLE) & ES_MULTILINE) != 0 && IsEdit()) {
      wide = WithCarriageReturns(wide);
    }
    if (Widen(Text()) != wide) SetWindowTextW(handle_, wide.c_str());
  }
  bool IsEdit() const {
    wchar_t name[16] = {};
    GetClassNameW(handle_, name, 16);
    return lstrcmpiW(name, L"Edit") == 0;
  }
  static std::wstring WithCarriageReturns(std::wstring_view text) {
    std::wstring result;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) result += L'\r';
      result += text[i];
    }
    return result;
  }
  void Enable(bool enable = true) const { EnableWindow(handle_, enable ? TRUE : FALSE); }
  bool IsEnabled() const { return IsWindowEnabled(handle_) != FALSE; }
  void Show(bool show = true) const { ShowWindow(handle_, show ? SW_SHOWNA : SW_HIDE); }
  bool IsVisible() const { return IsWindowVisible(handle_) != FALSE; }
  void Focus() const { SetFocus(handle_); }

  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageW(handle_, message, wParam, lParam);
  }

  // Check boxes and radio buttons.
  bool IsChecked() const { return Send(BM_GETCHECK) == BST_CHECKED; }
  void SetCheck(bool checked) const { Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED); }

  // Window rectangle in the client coordinates of `parent`.
  RECT RectIn(HWND parent) const {
    RECT rect{};
    GetWindowRect(handle_, &rect);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

 private:
  HWND handle_ = nullptr;
};
