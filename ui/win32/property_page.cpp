#include "ui/win32/property_page.h"

PROPSHEETPAGEW PropertyPage::Description() {
  PROPSHEETPAGEW page{};
  page.dwSize = sizeof page;
  page.dwFlags = PSP_DEFAULT;
  page.hInstance = GetModuleHandleW(nullptr);
  page.pszTemplate = MAKEINTRESOURCEW(templateId_);
  page.pfnDlgProc = PageProcedure;
  page.lParam = reinterpret_cast<LPARAM>(static_cast<Dialog*>(this));
  return page;
}

bool PropertyPage::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.hwndFrom != GetParent(Handle())) return false;
  switch (header.code) {
    case PSN_SETACTIVE:
      result = OnSetActive() ? 0 : -1;
      return true;
    case PSN_KILLACTIVE:
      result = OnKillActive() ? FALSE : TRUE;
      return true;
    default:
      return false;
  }
}
