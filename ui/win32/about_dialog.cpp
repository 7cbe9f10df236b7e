#include "ui/win32/about_dialog.h"

#include <shellapi.h>

#include <algorithm>

#include "base/exceptions.h"
#include "base/message_format.h"
#include "platform/version_info.h"
#include "res/resource.h"
#include "ui/error_report.h"

namespace {

constexpr wchar_t kWebAddress[] = L"https://velmont.example/partwell";

constexpr int kAppIcon = 1000;  // the program icon

HWND g_openAbout = nullptr;

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

RECT ChildRect(HWND dialog, int id) {
  RECT rect{};
  HWND child = GetDlgItem(dialog, id);
  if (child == nullptr) return rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
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

void SetChildFont(HWND dialog, int id, HFONT font) {
  if (font != nullptr)
    SendDlgItemMessageW(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), 1);
}

void SetChildText(HWND dialog, int id, const std::string& text) {
  SetDlgItemTextW(dialog, id, platform::Widen(text).c_str());
}

std::string WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return platform::Narrow(text);
}

}  // namespace

CAboutDlg::CAboutDlg(AboutText text) : text_(std::move(text)) {}

CAboutDlg::~CAboutDlg() {
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(smallFont_), static_cast<HGDIOBJ>(titleFont_),
                         static_cast<HGDIOBJ>(banner_), static_cast<HGDIOBJ>(white_)}) {
    if (object != nullptr) DeleteObject(object);
  }
  if (icon_ != nullptr) DestroyIcon(icon_);
}

HWND CAboutDlg::OpenWindow() { return g_openAbout; }

INT_PTR CAboutDlg::ShowModal(HWND owner) {
  if (g_openAbout != nullptr && IsWindow(g_openAbout)) {
    SetForegroundWindow(g_openAbout);
    return IDABORT;
  }
  struct Slot {
    ~Slot() { g_openAbout = nullptr; }
  } slot;
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), owner, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

// No exception may cross into Windows: a failure is reported here, as a command's would be.
INT_PTR CALLBACK CAboutDlg::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, GWLP_USERDATA, lParam);
    reinterpret_cast<CAboutDlg*>(lParam)->dialog_ = dialog;
  }
  auto* self = reinterpret_cast<CAboutDlg*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
  if (self == nullptr) return FALSE;
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (const CException& error) {
    const ErrorReport report = ReportCommandError(error, false);
    if (report.shown) {
      MessageBoxW(dialog, platform::Widen(report.text).c_str(),
                  platform::Widen(LoadMessage(IDS_APP_TITLE).value_or("")).c_str(), report.boxType);
    }
  } catch (const std::bad_alloc&) {
    MessageBoxW(dialog, platform::Widen(LoadMessage(IDS_OUT_OF_MEMORY).value_or("")).c_str(),
                nullptr, MB_ICONEXCLAMATION);
  }
  return TRUE;
}

INT_PTR CAboutDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit();
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
          EndDialog(dialog_, LOWORD(wParam));
          return TRUE;
        case IDC_ABOUT_WEB:
          OpenWebAddress();
          return TRUE;
        default:
          return FALSE;
      }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(dialog_, &paint);
      PaintBanner(dc);
      EndPaint(dialog_, &paint);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
      // The icon and the product name stand on the white banner strip.
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      if (id != IDC_ABOUT_ICON && id != IDC_ABOUT_PRODUCT) return FALSE;
      SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
      return reinterpret_cast<INT_PTR>(white_);
    }
    default:
      return FALSE;
  }
}

void CAboutDlg::OnInit() {
  g_openAbout = dialog_;
  white_ = CreateSolidBrush(RGB(255, 255, 255));
  smallFont_ = SmallFont(dialog_);
  SetChildFont(dialog_, IDC_ABOUT_LEGAL, smallFont_);
  SetChildFont(dialog_, IDC_ABOUT_WEB_LABEL, smallFont_);
  titleFont_ = DerivedFont(dialog_, 150, FW_BOLD);
  SetChildFont(dialog_, IDC_ABOUT_PRODUCT, titleFont_);

  // The template's title is "About %s".
  std::string title = WindowText(dialog_);
  if (const std::size_t at = title.find("%s"); at != std::string::npos) {
    title.replace(at, 2, LoadMessage(IDS_APP_TITLE).value_or(""));
  }
  SetWindowTextW(dialog_, platform::Widen(title).c_str());
  SetChildText(dialog_, IDC_ABOUT_LEGAL, LoadMessage(IDS_LEGAL_NOTICE).value_or(""));
  SetChildText(dialog_, IDC_ABOUT_PRODUCT, text_.productName);
  SetChildText(dialog_, IDC_ABOUT_VERSION, text_.versionLine);
  SetChildText(dialog_, IDC_ABOUT_DESCRIPTION, text_.description);
  SetChildText(dialog_, IDC_ABOUT_SPECIAL_BUILD, text_.specialBuild);
  SetDlgItemTextW(dialog_, IDC_ABOUT_WEB, kWebAddress);
  icon_ = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAppIcon),
                                        IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                        GetSystemMetrics(SM_CYICON), 0));
  if (icon_ != nullptr)
    SendDlgItemMessageW(dialog_, IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);
  banner_ =
      static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_ABOUT_BANNER),
                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

// The strip is white across the dialog; the picture sits above the OK button's column.
void CAboutDlg::PaintBanner(HDC dc) const {
  const RECT strip = ChildRect(dialog_, IDC_ABOUT_BANNER);
  FillRect(dc, &strip, white_);
  BITMAP info{};
  if (banner_ == nullptr || GetObjectW(banner_, sizeof info, &info) == 0) return;
  const RECT okButton = ChildRect(dialog_, IDOK);
  const LONG margin = (strip.bottom - strip.top) / 10;
  const RECT box{okButton.left, strip.top + margin, okButton.right, strip.bottom - margin};
  const RECT target = FitCentered({info.bmWidth, info.bmHeight}, box);
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ previous = SelectObject(source, banner_);
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top,
             source, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
}

void CAboutDlg::OpenWebAddress() const {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(dialog_, L"open", kWebAddress, nullptr, nullptr, SW_SHOWNORMAL));
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
