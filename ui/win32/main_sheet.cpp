#include "ui/win32/main_sheet.h"

#include <cwctype>

#include "base/exceptions.h"
#include "base/message_format.h"
#include "base/text_format.h"
#include "engine/operation_state.h"
#include "res/resource.h"
#include "ui/win32/message_box.h"
#include "ui/win32/screen_layout.h"
#include "ui/win32/sized_icon.h"

namespace {

MainSheet* mainSheet = nullptr;

// The comctl32 sheet's own buttons, which a modeless sheet does not use.
constexpr int kStandardButtons[] = {IDOK, IDCANCEL, IDHELP, 0x3021 /* Apply Now */};

bool EqualIgnoringCase(const wchar_t* text, std::wstring_view other) {
  if (text == nullptr) return false;
  std::size_t i = 0;
  for (; text[i] != L'\0' && i < other.size(); ++i) {
    if (std::towlower(text[i]) != std::towlower(other[i])) return false;
  }
  return text[i] == L'\0' && i == other.size();
}

BOOL CALLBACK SetFontOfChild(HWND child, LPARAM font) {
  SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  return TRUE;
}

}  // namespace

MainSheet* MainSheet::Current() { return mainSheet; }

void ApplyFontToTree(HWND window, HFONT font) {
  if (font == nullptr) return;
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  EnumChildWindows(window, SetFontOfChild, reinterpret_cast<LPARAM>(font));
}

MainSheet::MainSheet(SheetSetup setup, std::unique_ptr<PropertyPage> splitTab,
                     std::unique_ptr<PropertyPage> mergePage)
    : setup_(std::move(setup)), splitTab_(std::move(splitTab)), mergePage_(std::move(mergePage)) {
  AddPage(*splitTab_);
  AddPage(*mergePage_);
  mainSheet = this;
}

MainSheet::~MainSheet() {
  // The window goes first, while the pages it holds still exist.
  if (Handle() != nullptr) DestroyWindow(Handle());
  if (mainSheet == this) mainSheet = nullptr;
}

void MainSheet::CreateWindowOn(int startPage) {
  Create(LoadMessage(IDS_APP_TITLE).value_or(""), startPage);
}

void MainSheet::Show() const {
  if (!Self().IsVisible()) ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
}

void MainSheet::OnInit() {
  ApplyFontToTree(Handle(), setup_.font);
  CreateButtons();
  EditSystemMenu();
  SendMessageW(Handle(), WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadSizedIcon(IDI_APP, IconSize::systemLarge)));
  SendMessageW(Handle(), WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(LoadSizedIcon(IDI_APP, IconSize::systemSmall)));
  RestorePlacement();
  PropertyPage* page = ActivePage();
  if (!startPath_.empty() && page != nullptr) page->Item(IDC_SOURCE_PATH).SetText(startPath_);
  ShowButtonsFor(page == mergePage_.get());
  if (setup_.lite) {
    if (page == splitTab_.get()) ActionButton().Enable(false);
  } else if (page != nullptr) {
    page->Item(IDC_SOURCE_PATH).Focus();
  }
}

void MainSheet::ShowButtonsFor(bool mergePage) const {
  if (buttons_[1] == nullptr) return;
  ActionButton().SetText(LoadStringPart(IDS_ACTION_BUTTON, mergePage ? 1 : 0));
  VerifyButton().Show(mergePage);
}

// Five buttons of our own in the row of the sheet's standard ones, right-aligned under the
// tabs, each as large as the sheet's OK button and as far from the next as OK from Cancel.
void MainSheet::CreateButtons() {
  const RECT ok = Item(IDOK).RectIn(Handle());
  const RECT cancel = Item(IDCANCEL).RectIn(Handle());
  const RECT tabs = TabControl().RectIn(Handle());
  for (int id : kStandardButtons) {
    Item(id).Show(false);
    Item(id).Enable(false);
  }
  const int width = ok.right - ok.left, height = ok.bottom - ok.top;
  int gap = cancel.left - ok.right;
  if (gap <= 0) gap = width / 10;
  const HFONT font = reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0));
  const bool merge = ActivePage() == mergePage_.get();
  const struct {
    int id;
    unsigned labelId;
    int labelPart;
    DWORD style;
  } kinds[] = {
      {IDC_VERIFY_BUTTON, 0, 0, WS_GROUP | (merge ? WS_VISIBLE : 0u)},
      {IDC_ACTION_BUTTON, 0, 0, WS_VISIBLE},
      {ID_APP_EXIT, IDS_CANCEL_CLOSE, 1, WS_VISIBLE},
      {setup_.lite ? ID_HELP_LITE : ID_HELP_CONTENTS, 0, 0, WS_VISIBLE},
      {ID_APP_ABOUT, 0, 0, WS_VISIBLE},
  };
  const wchar_t* fixedLabels[] = {L"&Verify Files", L"Apply", nullptr, L"&Help", L"&About..."};
  HWND after = Item(IDHELP).Handle();
  for (int i = 0; i < 5; ++i) {
    const int left = tabs.right - (5 - i) * width - (4 - i) * gap;
    const std::wstring label = kinds[i].labelId != 0
                                   ? Widen(LoadStringPart(kinds[i].labelId, kinds[i].labelPart))
                                   : std::wstring(fixedLabels[i]);
    buttons_[i] = CreateWindowExW(
        0, L"BUTTON", label.c_str(), WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | kinds[i].style, left,
        ok.top, width, height, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kinds[i].id)),
        GetModuleHandleW(nullptr), nullptr);
    if (buttons_[i] == nullptr) ThrowMemoryError();
    SendMessageW(buttons_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // The keyboard reaches the row after the pages, in the row's order.
    if (after != nullptr) {
      SetWindowPos(buttons_[i], after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    after = buttons_[i];
  }
}

void MainSheet::EditSystemMenu() const {
  HMENU menu = GetSystemMenu(Handle(), FALSE);
  if (menu == nullptr) return;
  DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
  DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
  const std::string title = LoadMessage(IDS_APP_TITLE).value_or("");
  const std::wstring about = Widen(LoadMessage(IDS_ABOUT_MENU, {title}).value_or(""));
  if (InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, ID_SYSTEM_MENU_ABOUT, about.c_str())) {
    InsertMenuW(menu, 1, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
  }
}

void MainSheet::RestorePlacement() const {
  AppPreferences& prefs = setup_.prefs;
  const HWND order = prefs.onTop ? HWND_TOPMOST : HWND_NOTOPMOST;
  if (!prefs.windowBounds.IsEmpty()) {
    const WindowRect fitted =
        KeepRectOnScreen(prefs.windowBounds, ScreenLayoutAround(prefs.windowBounds, prefs.onTop));
    SetWindowPos(Handle(), order, fitted.left, fitted.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    prefs.windowBounds = fitted;
  } else {
    // First start: the middle of the screen the program starts on.
    RECT window{};
    GetWindowRect(Handle(), &window);
    const WindowRect area =
        ScreenLayoutAround({window.left, window.top, window.right, window.bottom}, false)
            .nearestArea;
    const int left = area.left + (area.right - area.left - (window.right - window.left)) / 2;
    const int top = area.top + (area.bottom - area.top - (window.bottom - window.top)) / 2;
    SetWindowPos(Handle(), order, std::max(left, int{area.left}), std::max(top, int{area.top}), 0,
                 0, SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void MainSheet::RecordPlacement() const {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(Handle(), &placement)) return;
  const RECT& normal = placement.rcNormalPosition;
  const WindowPlacement record{static_cast<int>(placement.showCmd),
                               {normal.left, normal.top, normal.right, normal.bottom}};
  setup_.prefs.RecordWindowPlacement(&record);
  setup_.prefs.page = ActiveIndex();
  // A box ticked just before the end counts too: the page has not read it yet.
  if (PropertyPage* page = ActivePage()) page->ReadFields();
}

bool MainSheet::RequestClose() {
  if (ProcessOperationState().operationRunning &&
      ShowMessage(Handle(), LoadMessage(IDS_CONFIRM_CLOSE).value_or(""),
                  kBoxYesNo | kBoxIconQuestion) != kButtonYes) {
    return false;
  }
  DestroyWindow(Handle());
  return true;
}

bool MainSheet::OnCommand(int id) {
  switch (id) {
    case IDOK:
      // Enter in a box: the sheet's own OK would end the sheet.
      return true;
    case IDCANCEL:
      // Escape: during an operation the operation watches the key itself.
      if (!ProcessOperationState().operationRunning) RequestClose();
      return true;
    case ID_APP_EXIT:
      RequestClose();
      return true;
    case IDC_ACTION_BUTTON:
    case IDC_VERIFY_BUTTON:
    case ID_CANCEL_OPERATION:
      if (PropertyPage* page = ActivePage()) {
        SendMessageW(page->Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
      }
      return true;
    case ID_HELP_LITE:
    case ID_HELP_CONTENTS:
    case ID_HELP:
      if (setup_.showHelp) setup_.showHelp();
      return true;
    case ID_APP_ABOUT:
      if (setup_.showAbout) setup_.showAbout();
      return true;
    default:
      return false;
  }
}

bool MainSheet::PaintMinimised() const {
  if (!IsIconic(Handle())) return false;
  PAINTSTRUCT paint;
  HDC context = BeginPaint(Handle(), &paint);
  SendMessageW(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(context), 0);
  RECT client{};
  GetClientRect(Handle(), &client);
  const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(context, x, y, LoadSizedIcon(IDI_APP, IconSize::systemLarge));
  EndPaint(Handle(), &paint);
  return true;
}

void MainSheet::OnSettingChange(LPARAM lParam) const {
  const auto* section = reinterpret_cast<const wchar_t*>(lParam);
  if (!EqualIgnoringCase(section, L"intl")) return;
  ReloadProcessNumberFormat();
  if (PropertyPage* page = ActivePage()) page->OnSettingChange(section);
}

bool MainSheet::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam));
    case WM_CLOSE:
      RequestClose();
      return true;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case ID_SYSTEM_MENU_ABOUT:
          return OnCommand(ID_APP_ABOUT);
        case SC_CONTEXTHELP:
          return OnCommand(ID_HELP);
        case SC_CLOSE:
          RequestClose();
          return true;
        default:
          return false;
      }
    case WM_SETCURSOR:
      if (!ProcessOperationState().operationRunning) return false;
      SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
      result = TRUE;
      return true;
    case WM_PAINT:
      return PaintMinimised();
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<LRESULT>(LoadSizedIcon(IDI_APP, IconSize::systemLarge));
      return true;
    case WM_SETTINGCHANGE:
      result = Default(message, wParam, lParam);
      OnSettingChange(lParam);
      return true;
    case WM_ENDSESSION:
      if (wParam != FALSE) {
        RecordPlacement();
        if (setup_.prefs.IsModified()) setup_.prefs.Save();
      }
      return false;
    case WM_DESTROY:
      RecordPlacement();
      if (setup_.quitOnDestroy) PostQuitMessage(0);
      return false;
    default:
      return false;
  }
}
