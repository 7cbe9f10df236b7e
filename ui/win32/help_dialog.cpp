#include "ui/win32/help_dialog.h"

#include "base/exceptions.h"
#include "base/message_format.h"
#include "res/resource.h"
#include "ui/error_report.h"
#include "ui/win32/message_box.h"
#include "ui/win32/pickers.h"
#include "ui/win32/sized_icon.h"

namespace {

constexpr UINT_PTR kSubclassId = 4;
constexpr int kMinimumRemembered = 64;  // pixels: a smaller remembered window is ignored

// The help window's last place and size in this run.
RECT rememberedRect{};
HWND openHelp = nullptr;

std::string ResourceText(const wchar_t* name) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(PW_RICH_TEXT));
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) throw CAppException(IDS_INTERNAL_ERROR);
  return std::string(static_cast<const char*>(data), SizeofResource(module, found));
}

}  // namespace

HWND OpenHelpDialog() { return openHelp; }

void CRtfCtrl::Attach(HWND dialog, int id) {
  handle_ = GetDlgItem(dialog, id);
  if (handle_ == nullptr) return;
  SendMessageW(handle_, EM_AUTOURLDETECT, TRUE, 0);
  SendMessageW(handle_, EM_SETEVENTMASK, 0,
               SendMessageW(handle_, EM_GETEVENTMASK, 0, 0) | ENM_LINK);
  SetWindowSubclass(handle_, Procedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  SetFormattingRectangle();
}

void CRtfCtrl::SetRichText(const std::string& rtf) const {
  SETTEXTEX how{ST_DEFAULT, CP_ACP};
  SendMessageW(handle_, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how),
               reinterpret_cast<LPARAM>(rtf.c_str()));
}

void CRtfCtrl::SetFormattingRectangle() const {
  RECT client{};
  GetClientRect(handle_, &client);
  client.left += 4;
  client.top += 4;
  client.right -= 4;
  SendMessageW(handle_, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&client));
}

bool CRtfCtrl::OnLink(const ENLINK& link) const {
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

LRESULT CALLBACK CRtfCtrl::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<CRtfCtrl*>(data);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, Procedure, kSubclassId);
    self->handle_ = nullptr;
  }
  const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
  if (message == WM_SIZE && self->handle_ != nullptr) self->SetFormattingRectangle();
  return result;
}

INT_PTR CDlgHelp::Run(HWND owner) {
  if (openHelp != nullptr) {
    SetForegroundWindow(openHelp);
    return IDABORT;
  }
  const INT_PTR result = RunModal(IDD_HELP, owner);
  openHelp = nullptr;
  return result;
}

bool CDlgHelp::OnInit() {
  openHelp = Handle();
  SendMessageW(Handle(), WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadSizedIcon(IDI_APP, IconSize::systemLarge)));
  SendMessageW(Handle(), WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(LoadSizedIcon(IDI_APP, IconSize::systemSmall)));
  RECT client{};
  GetClientRect(Handle(), &client);
  const RECT text = Item(IDC_HELP_TEXT).RectIn(Handle());
  const RECT close = Item(IDCANCEL).RectIn(Handle());
  left_ = text.left;
  top_ = text.top;
  right_ = client.right - text.right;
  bottom_ = client.bottom - text.bottom;
  closeBottom_ = client.bottom - close.top;
  if (rememberedRect.right - rememberedRect.left > kMinimumRemembered &&
      rememberedRect.bottom - rememberedRect.top > kMinimumRemembered) {
    MoveWindow(Handle(), rememberedRect.left, rememberedRect.top,
               rememberedRect.right - rememberedRect.left,
               rememberedRect.bottom - rememberedRect.top, TRUE);
  }
  Self().SetText(FormatMessageText(Self().Text() == "%s Help" ? "%1 Help" : Self().Text(),
                                   {LoadMessage(IDS_APP_TITLE).value_or("")}));
  text_.Attach(Handle(), IDC_HELP_TEXT);
  text_.SetRichText(ResourceText(document_));
  Item(IDC_HELP_TEXT).Focus();
  return false;
}

bool CDlgHelp::OnCommand(int id, int code, HWND) {
  if (id == IDCANCEL && code == BN_CLICKED) {
    EndDialog(Handle(), IDCANCEL);
    return true;
  }
  return false;
}

bool CDlgHelp::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.idFrom != IDC_HELP_TEXT || header.code != EN_LINK) return false;
  result = text_.OnLink(reinterpret_cast<const ENLINK&>(header)) ? 1 : 0;
  return true;
}

bool CDlgHelp::OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) {
  switch (message) {
    case WM_SIZE:
      Layout();
      RememberRectangle();
      return false;
    case WM_MOVE:
      RememberRectangle();
      return false;
    default:
      return false;
  }
}

void CDlgHelp::Layout() const {
  if (text_.Handle() == nullptr) return;
  RECT client{};
  GetClientRect(Handle(), &client);
  MoveWindow(text_.Handle(), left_, top_, client.right - right_ - left_,
             client.bottom - bottom_ - top_, TRUE);
  const Window close = Item(IDCANCEL);
  const RECT button = close.RectIn(Handle());
  const int width = button.right - button.left;
  MoveWindow(close.Handle(), (client.right - width) / 2, client.bottom - closeBottom_, width,
             button.bottom - button.top, TRUE);
}

void CDlgHelp::RememberRectangle() const {
  if (text_.Handle() == nullptr || IsIconic(Handle())) return;
  GetWindowRect(Handle(), &rememberedRect);
}

void ShowHelpDialog(HWND owner, const wchar_t* document) {
  if (OpenFolderBrowser() != nullptr && OpenFolderBrowser() == owner) return;
  CDlgHelp(document).Run(owner);
}
