#include "ui/win32/modeless_sheet.h"

#include "base/exceptions.h"
#include "ui/win32/exception_guard.h"

namespace {

constexpr UINT_PTR kSubclassId = 1;

// The window style of the sheet: a main window with a caption, the system menu and a minimise
// box, no maximise box, no sizing border; hidden until start-up shows it in its place.
void AdjustTemplateStyle(DWORD& style) {
  style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  style &= ~(WS_MAXIMIZEBOX | WS_THICKFRAME | WS_VISIBLE | DS_CONTEXTHELP | WS_CHILD);
  style |= WS_POPUP;
}

// The head of an extended dialog template, which the sheet's own template is.
struct DialogTemplateExHead {
  WORD version;
  WORD signature;  // 0xFFFF
  DWORD helpId;
  DWORD exStyle;
  DWORD style;
};

void AdjustTemplate(LPARAM lParam) {
  auto* head = reinterpret_cast<DialogTemplateExHead*>(lParam);
  if (head->signature == 0xFFFF) {
    AdjustTemplateStyle(head->style);
  } else {
    AdjustTemplateStyle(reinterpret_cast<DLGTEMPLATE*>(lParam)->style);
  }
}

// The sheet being created: the sheet's callback has no parameter of its own.
ModelessSheet* creating = nullptr;

}  // namespace

ModelessSheet::~ModelessSheet() {
  if (handle_ != nullptr && IsWindow(handle_)) DestroyWindow(handle_);
}

void ModelessSheet::Create(const std::string& caption, int startPage) {
  std::vector<HPROPSHEETPAGE> pages;
  for (PropertyPage* page : pages_) {
    PROPSHEETPAGEW description = page->Description();
    pages.push_back(CreatePropertySheetPageW(&description));
    if (pages.back() == nullptr) ThrowMemoryError();
  }
  const std::wstring title = Widen(caption);
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_MODELESS | PSH_USECALLBACK | PSH_NOAPPLYNOW | PSH_NOCONTEXTHELP;
  header.hInstance = GetModuleHandleW(nullptr);
  header.pszCaption = title.c_str();
  header.nPages = static_cast<UINT>(pages.size());
  header.nStartPage = static_cast<UINT>(startPage);
  header.phpage = pages.data();
  header.pfnCallback = Callback;
  creating = this;
  const INT_PTR created = PropertySheetW(&header);
  creating = nullptr;
  if (created == 0 || created == -1 || handle_ == nullptr) {
    handle_ = nullptr;
    ThrowMemoryError();
  }
  OnInit();
}

int CALLBACK ModelessSheet::Callback(HWND window, UINT message, LPARAM lParam) {
  if (message == PSCB_PRECREATE) AdjustTemplate(lParam);
  if (message == PSCB_INITIALIZED && creating != nullptr) {
    creating->handle_ = window;
    SetWindowSubclass(window, SubclassProcedure, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(creating));
  }
  return 0;
}

LRESULT CALLBACK ModelessSheet::SubclassProcedure(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam, UINT_PTR /*id*/, DWORD_PTR data) {
  auto* self = reinterpret_cast<ModelessSheet*>(data);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, SubclassProcedure, kSubclassId);
    self->handle_ = nullptr;
    return DefSubclassProc(window, message, wParam, lParam);
  }
  return CallGuarded(window, LRESULT{0}, [&] {
    LRESULT result = 0;
    if (self->OnMessage(message, wParam, lParam, result)) return result;
    return DefSubclassProc(window, message, wParam, lParam);
  });
}

LRESULT ModelessSheet::Default(UINT message, WPARAM wParam, LPARAM lParam) const {
  return DefSubclassProc(handle_, message, wParam, lParam);
}

int ModelessSheet::ActiveIndex() const {
  return static_cast<int>(
      SendMessageW(handle_, PSM_HWNDTOINDEX,
                   reinterpret_cast<WPARAM>(PropSheet_GetCurrentPageHwnd(handle_)), 0));
}

PropertyPage* ModelessSheet::ActivePage() const {
  const int index = ActiveIndex();
  if (index < 0 || index >= PageCount()) return nullptr;
  return pages_[static_cast<std::size_t>(index)];
}

void ModelessSheet::SetActivePage(int index) const { PropSheet_SetCurSel(handle_, nullptr, index); }

Window ModelessSheet::TabControl() const { return Window(PropSheet_GetTabControl(handle_)); }

bool ModelessSheet::PreTranslate(MSG& message) const {
  return handle_ != nullptr && PropSheet_IsDialogMessage(handle_, &message) != FALSE;
}
