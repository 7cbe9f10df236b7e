#include "ui/win32/help_dialog.h"

#include "base/exceptions.h"
#include "base/message_format.h"
#include "res/resource.h"
#include "ui/win32/pickers.h"
#include "ui/win32/sized_icon.h"

namespace {

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

INT_PTR HelpDialog::Run(HWND owner) {
  if (openHelp != nullptr) {
    SetForegroundWindow(openHelp);
    return IDABORT;
  }
  const INT_PTR result = RunModal(IDD_HELP, owner);
  openHelp = nullptr;
  return result;
}

bool HelpDialog::OnInit() {
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

bool HelpDialog::OnCommand(int id, int code, HWND) {
  if (id == IDCANCEL && code == BN_CLICKED) {
    EndDialog(Handle(), IDCANCEL);
    return true;
  }
  return false;
}

bool HelpDialog::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.idFrom != IDC_HELP_TEXT || header.code != EN_LINK) return false;
  result = text_.OnLink(reinterpret_cast<const ENLINK&>(header)) ? 1 : 0;
  return true;
}

bool HelpDialog::OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) {
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

void HelpDialog::Layout() const {
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

void HelpDialog::RememberRectangle() const {
  if (text_.Handle() == nullptr || IsIconic(Handle())) return;
  GetWindowRect(Handle(), &rememberedRect);
}

void ShowHelpDialog(HWND owner, const wchar_t* document) {
  if (OpenFolderBrowser() != nullptr && OpenFolderBrowser() == owner) return;
  HelpDialog(document).Run(owner);
}
