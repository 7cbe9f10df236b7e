#include "ui/win32/report_dialog.h"

#include "base/message_format.h"
#include "base/path_text.h"
#include "engine/file64.h"
#include "res/resource.h"
#include "ui/win32/clipboard.h"
#include "ui/win32/pickers.h"

namespace {

// The widths of the file and disk columns, in dialog units; the state takes the rest.
constexpr int kFileColumnWidth = 110;
constexpr int kDiskColumnWidth = 28;

int DialogUnitsWide(HWND dialog, int units) {
  RECT rect{0, 0, units, 0};
  MapDialogRect(dialog, &rect);
  return rect.right;
}

void AddColumn(HWND list, int index, const std::string& title, int width, int format) {
  std::wstring text = Widen(title);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
  column.fmt = format;
  column.cx = width;
  column.pszText = text.data();
  column.iSubItem = index;
  SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&column));
}

void SetCell(HWND list, int row, int column, const std::string& value) {
  std::wstring text = Widen(value);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.iSubItem = column;
  item.pszText = text.data();
  SendMessageW(list, column == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW,
               column == 0 ? 0 : static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

INT_PTR ReportDialog::Run(HWND owner) { return RunModal(IDD_REPORT, owner); }

bool ReportDialog::OnInit() {
  Item(IDC_REPORT_MASTER).SetText(view_.master);
  Item(IDC_REPORT_SUMMARY)
      .SetText(view_.why.empty() ? view_.summary : view_.why + "\n" + view_.summary);
  FillList();
  return true;
}

void ReportDialog::FillList() const {
  const HWND list = Item(IDC_REPORT_LIST).Handle();
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
  AddColumn(list, 0, LoadStringPart(IDS_REPORT_COLUMNS, 0),
            DialogUnitsWide(Handle(), kFileColumnWidth), LVCFMT_LEFT);
  AddColumn(list, 1, LoadStringPart(IDS_REPORT_COLUMNS, 1),
            DialogUnitsWide(Handle(), kDiskColumnWidth), LVCFMT_RIGHT);
  AddColumn(list, 2, LoadStringPart(IDS_REPORT_COLUMNS, 2), 0, LVCFMT_LEFT);
  for (std::size_t index = 0; index < view_.rows.size(); ++index) {
    const int row = static_cast<int>(index);
    SetCell(list, row, 0, view_.rows[index].file);
    SetCell(list, row, 1, view_.rows[index].disk);
    SetCell(list, row, 2, view_.rows[index].state);
  }
  // After the rows, so that the state column ends where the list does, beside its scroll bar.
  SendMessageW(list, LVM_SETCOLUMNWIDTH, 2, LVSCW_AUTOSIZE_USEHEADER);
}

bool ReportDialog::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_REPORT_COPY:
      Copy();
      return true;
    case IDC_REPORT_SAVE:
      SaveAs();
      return true;
    case IDOK:
    case IDCANCEL:
      EndDialog(Handle(), IDCANCEL);
      return true;
    default:
      return false;
  }
}

// Ctrl+C in the list copies the report, as the Copy button does.
bool ReportDialog::OnNotify(const NMHDR& header, LRESULT&) {
  if (header.idFrom != IDC_REPORT_LIST || header.code != LVN_KEYDOWN) return false;
  const auto& key = reinterpret_cast<const NMLVKEYDOWN&>(header);
  if (key.wVKey == 'C' && (GetKeyState(VK_CONTROL) & 0x8000) != 0) Copy();
  return false;
}

void ReportDialog::Copy() const {
  if (!PutTextOnClipboard(Handle(), view_.Text())) MessageBeep(MB_ICONEXCLAMATION);
}

void ReportDialog::SaveAs() const {
  const std::string suggested =
      FolderPart(view_.master) +
      LoadMessage(IDS_REPORT_FILE_NAME, {FileNamePart(view_.master)}).value_or("");
  std::string path;
  if (!PickFileToSave(Handle(), LoadMessage(IDS_REPORT_FILE_FILTER).value_or(""), suggested,
                      path)) {
    return;
  }
  SaveTo(path);
}

void ReportDialog::SaveTo(const std::string& path) const {
  const std::string text = Narrow(Window::WithCarriageReturns(Widen(view_.Text())));
  CFile64 file;
  file.Open(path, true);
  file.Write(text.data(), static_cast<std::uint32_t>(text.size()));
  file.Close();
}
