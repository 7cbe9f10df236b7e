#include "ui/win32/lite_info_page.h"

#include "base/message_format.h"
#include "res/resource.h"
#include "ui/win32/main_sheet.h"

bool LiteInfoPage::OnInit() {
  if (const MainSheet* sheet = MainSheet::Current()) ApplyFontToTree(Handle(), sheet->Font());
  Item(IDC_LITE_DESCRIPTION).SetText(LoadMessage(IDS_LITE_DESCRIPTION).value_or(""));
  return true;
}

// Nothing to split here: the action button waits for the Merge tab.
bool LiteInfoPage::OnSetActive() {
  if (const MainSheet* sheet = MainSheet::Current()) {
    sheet->ShowButtonsFor(false);
    sheet->ActionButton().Enable(false);
  }
  return true;
}

bool LiteInfoPage::OnKillActive() {
  if (const MainSheet* sheet = MainSheet::Current()) sheet->ActionButton().Enable(true);
  return true;
}
