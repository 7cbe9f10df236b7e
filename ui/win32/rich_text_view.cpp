#include "ui/win32/rich_text_view.h"

#include "ui/error_report.h"
#include "ui/win32/message_box.h"

namespace {

constexpr UINT_PTR kSubclassId = 4;

}  // namespace

void RichTextView::Attach(HWND dialog, int id) {
  handle_ = GetDlgItem(dialog, id);
  if (handle_ == nullptr) return;
  SendMessageW(handle_, EM_AUTOURLDETECT, TRUE, 0);
  SendMessageW(handle_, EM_SETEVENTMASK, 0,
               SendMessageW(handle_, EM_GETEVENTMASK, 0, 0) | ENM_LINK);
  SetWindowSubclass(handle_, Procedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  SetFormattingRectangle();
}

void RichTextView::SetRichText(const std::string& rtf) const {
  SETTEXTEX how{ST_DEFAULT, CP_ACP};
  SendMessageW(handle_, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how),
               reinterpret_cast<LPARAM>(rtf.c_str()));
}

void RichTextView::SetFormattingRectangle() const {
  RECT client{};
  GetClientRect(handle_, &client);
  client.left += 4;
  client.top += 4;
  client.right -= 4;
  SendMessageW(handle_, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&client));
}

bool RichTextView::OnLink(const ENLINK& link) const {
  if (link.msg != WM_LBUTTONUP) return false;
  std::wstring url(static_cast<std::size_t>(link.chrg.cpMax - link.chrg.cpMin) + 1, L'\0');
  TEXTRANGEW range{link.chrg, url.data()};
  url.resize(static_cast<std::size_t>(
      SendMessageW(handle_, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range))));
  const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
      GetAncestor(handle_, GA_ROOT), L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) ShowErrorReport(GetAncestor(handle_, GA_ROOT), SystemErrorBox(GetLastError()));
  return true;
}

LRESULT CALLBACK RichTextView::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<RichTextView*>(data);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, Procedure, kSubclassId);
    self->handle_ = nullptr;
  }
  const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
  if (message == WM_SIZE && self->handle_ != nullptr) self->SetFormattingRectangle();
  return result;
}
