#include "ui/win32/about_dialog.h"

#include "base/exceptions.h"
#include "base/message_format.h"
#include "platform/version_info.h"
#include "res/resource.h"

namespace {

constexpr wchar_t kWebAddress[] = L"https://velmont.example/partwell";

HWND openAbout = nullptr;

// The largest rectangle of the picture's proportions that fits in the box, centred in it.
RECT FitCentered(SIZE picture, RECT box) {
  const LONG boxWidth = box.right - box.left;
  const LONG boxHeight = box.bottom - box.top;
  if (picture.cx <= 0 || picture.cy <= 0 || boxWidth <= 0 || boxHeight <= 0) return {};
  LONG width = boxWidth;
  LONG height = MulDiv(picture.cy, boxWidth, picture.cx);
  if (height > boxHeight) {
    height = boxHeight;
    width = MulDiv(picture.cx, boxHeight, picture.cy);
  }
  const LONG left = box.left + (boxWidth - width) / 2;
  const LONG top = box.top + (boxHeight - height) / 2;
  return {left, top, left + width, top + height};
}

// The dialog's font at another height and weight; `heightPercent` of the dialog font's.
HFONT DerivedFont(HWND dialog, int heightPercent, LONG weight) {
  LOGFONTW font{};
  HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  if (dialogFont == nullptr || GetObjectW(dialogFont, sizeof font, &font) == 0) return nullptr;
  font.lfHeight = MulDiv(font.lfHeight, heightPercent, 100);
  font.lfWeight = weight;
  return CreateFontIndirectW(&font);
}

// "Microsoft Sans Serif" at 7 points, for the legal notice.
HFONT SmallFont(HWND dialog) {
  HDC dc = GetDC(dialog);
  const int height = -MulDiv(7, GetDeviceCaps(dc, LOGPIXELSY), 72);
  ReleaseDC(dialog, dc);
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, L"Microsoft Sans Serif");
}

}  // namespace

HWND AboutDialog::OpenWindow() { return openAbout; }

INT_PTR AboutDialog::Run(HWND owner) {
  if (openAbout != nullptr && IsWindow(openAbout)) {
    SetForegroundWindow(openAbout);
    return IDABORT;
  }
  const INT_PTR result = RunModal(IDD_ABOUT, owner);
  openAbout = nullptr;
  return result;
}

bool AboutDialog::OnInit() {
  openAbout = Handle();
  white_.Reset(CreateSolidBrush(RGB(255, 255, 255)));
  smallFont_.Reset(SmallFont(Handle()));
  SetItemFont(IDC_ABOUT_LEGAL, smallFont_.Get());
  SetItemFont(IDC_ABOUT_WEB_LABEL, smallFont_.Get());
  titleFont_.Reset(DerivedFont(Handle(), 150, FW_BOLD));
  SetItemFont(IDC_ABOUT_PRODUCT, titleFont_.Get());

  // The template's title is "About %s".
  std::string title = Self().Text();
  if (const std::size_t at = title.find("%s"); at != std::string::npos) {
    title.replace(at, 2, LoadMessage(IDS_APP_TITLE).value_or(""));
  }
  Self().SetText(title);
  Item(IDC_ABOUT_LEGAL).SetText(LoadMessage(IDS_LEGAL_NOTICE).value_or(""));
  Item(IDC_ABOUT_PRODUCT).SetText(text_.productName);
  Item(IDC_ABOUT_VERSION).SetText(text_.versionLine);
  Item(IDC_ABOUT_DESCRIPTION).SetText(text_.description);
  Item(IDC_ABOUT_SPECIAL_BUILD).SetText(text_.specialBuild);
  Item(IDC_ABOUT_WEB).SetText(Narrow(kWebAddress));
  icon_.Reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP),
                                            IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                            GetSystemMetrics(SM_CYICON), 0)));
  if (icon_) Item(IDC_ABOUT_ICON).Send(STM_SETICON, reinterpret_cast<WPARAM>(icon_.Get()));
  banner_.Reset(
      static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_ABOUT_BANNER),
                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  return true;
}

void AboutDialog::SetItemFont(int id, HFONT font) const {
  if (font != nullptr) Item(id).Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool AboutDialog::OnCommand(int id, int, HWND) {
  switch (id) {
    case IDOK:
    case IDCANCEL:
      EndDialog(Handle(), id);
      return true;
    case IDC_ABOUT_WEB:
      OpenWebAddress();
      return true;
    default:
      return false;
  }
}

bool AboutDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(Handle(), &paint);
      PaintBanner(dc);
      EndPaint(Handle(), &paint);
      return true;
    }
    case WM_CTLCOLORSTATIC: {
      // The icon and the product name stand on the white banner strip.
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      if (id != IDC_ABOUT_ICON && id != IDC_ABOUT_PRODUCT) return false;
      SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
      result = reinterpret_cast<LRESULT>(white_.Get());
      return true;
    }
    default:
      return false;
  }
}

// The strip is white across the dialog; the picture sits above the OK button's column.
void AboutDialog::PaintBanner(HDC dc) const {
  const RECT strip = Item(IDC_ABOUT_BANNER).RectIn(Handle());
  FillRect(dc, &strip, white_.Get());
  BITMAP info{};
  if (!banner_ || GetObjectW(banner_.Get(), sizeof info, &info) == 0) return;
  const RECT okButton = Item(IDOK).RectIn(Handle());
  const LONG margin = (strip.bottom - strip.top) / 10;
  const RECT box{okButton.left, strip.top + margin, okButton.right, strip.bottom - margin};
  const RECT target = FitCentered({info.bmWidth, info.bmHeight}, box);
  const platform::ScopedDeviceContext source(CreateCompatibleDC(dc));
  const HGDIOBJ previous = SelectObject(source.Get(), banner_.Get());
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top,
             source.Get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
  SelectObject(source.Get(), previous);
}

void AboutDialog::OpenWebAddress() const {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(Handle(), L"open", kWebAddress, nullptr, nullptr, SW_SHOWNORMAL));
  if (result > 32) return;
  const DWORD error = GetLastError();
  ThrowSystemError(error != 0 ? error : static_cast<DWORD>(result));
}

AboutText OwnAboutText() {
  std::string path;
  platform::VersionInfo info;
  platform::ReadOwnVersionInfo(path, info);
  return MakeAboutText(info, static_cast<int>(sizeof(void*) * 8));
}
