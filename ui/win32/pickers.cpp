#include "ui/win32/pickers.h"

#include <vector>

#include "base/exceptions.h"
#include "base/path_text.h"
#include "res/resource.h"
#include "ui/error_report.h"
#include "ui/win32/message_box.h"
#include "ui/win32/shell_handles.h"
#include "ui/win32/window.h"

namespace {

// The longest path the pickers take, in UTF-16 units.
constexpr std::size_t kMaxPickedPath = 1040;
constexpr DWORD kInvalidNameError = 123;  // ERROR_INVALID_NAME

HWND folderBrowser = nullptr;

// The filter as the dialog takes it: the pipes become the null characters between entries.
std::wstring DialogFilter(const std::string& filter) {
  std::wstring wide = Widen(filter);
  for (wchar_t& c : wide) {
    if (c == L'|') c = L'\0';
  }
  return wide;
}

// A separator at the end, of the kind the path already uses.
std::string WithTrailingSeparator(std::string path) {
  if (path.empty() || path.back() == '\\' || path.back() == '/') return path;
  if (path.size() < kMaxPickedPath - 1) {
    path += path.find('/') != std::string::npos ? '/' : '\\';
  }
  return path;
}

struct BrowseState {
  std::wstring initialFolder;
};

int CALLBACK OnBrowserEvent(HWND window, UINT message, LPARAM, LPARAM data) {
  const auto* state = reinterpret_cast<const BrowseState*>(data);
  switch (message) {
    case BFFM_INITIALIZED:
      folderBrowser = window;
      if (!state->initialFolder.empty()) {
        SendMessageW(window, BFFM_SETSELECTIONW, TRUE,
                     reinterpret_cast<LPARAM>(state->initialFolder.c_str()));
      }
      return 0;
    case BFFM_VALIDATEFAILEDW:
      ShowErrorReport(window, SystemErrorBox(kInvalidNameError));
      return 1;  // the browser stays open
    default:
      return 0;
  }
}

// The common dialog's fields for a file in `file`, picked from `folder` (the current one when
// empty); the strings must outlive the dialog.
OPENFILENAMEW FileDialog(HWND owner, const std::wstring& filters, std::vector<wchar_t>& file,
                         const std::wstring& folder) {
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filters.c_str();
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  return dialog;
}

}  // namespace

HWND OpenFolderBrowser() { return folderBrowser; }

int PickFileForEdit(int controlId, const std::string& filter, HWND owner) {
  const Window control(GetDlgItem(owner, controlId));
  if (!control) throw CAppException(IDS_INTERNAL_ERROR);
  const std::string current = control.Text();
  std::vector<wchar_t> file(kMaxPickedPath + 1, L'\0');
  const std::wstring name = Widen(current);
  if (!name.empty() && name.size() < kMaxPickedPath) name.copy(file.data(), name.size());
  const std::wstring folder = Widen(FolderPart(current));
  const std::wstring filters = DialogFilter(filter);
  OPENFILENAMEW dialog = FileDialog(owner, filters, file, folder);
  dialog.Flags =
      OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_DONTADDTORECENT | OFN_EXPLORER;
  if (!GetOpenFileNameW(&dialog)) return IDCANCEL;
  control.SetText(Narrow(file.data()));
  return IDOK;
}

bool PickFileToSave(HWND owner, const std::string& filter, const std::string& suggested,
                    std::string& chosen) {
  std::vector<wchar_t> file(kMaxPickedPath + 1, L'\0');
  const std::wstring name = Widen(FileNamePart(suggested));
  if (name.size() < kMaxPickedPath) name.copy(file.data(), name.size());
  const std::wstring folder = Widen(FolderPart(suggested));
  const std::wstring filters = DialogFilter(filter);
  OPENFILENAMEW dialog = FileDialog(owner, filters, file, folder);
  dialog.lpstrDefExt = L"txt";
  dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR |
                 OFN_DONTADDTORECENT | OFN_EXPLORER;
  if (!GetSaveFileNameW(&dialog)) return false;
  chosen = Narrow(file.data());
  return true;
}

bool PickFolder(HWND owner, const std::string& title, const std::string& initialFolder,
                std::string& folder) {
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr) return false;
  allocator->Release();
  BrowseState state{Widen(WithTrailingSeparator(initialFolder))};
  const std::wstring caption = Widen(title);
  BROWSEINFOW browse{};
  browse.hwndOwner = owner;
  browse.lpszTitle = caption.empty() ? nullptr : caption.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_EDITBOX | BIF_VALIDATE |
                   BIF_NEWDIALOGSTYLE | BIF_BROWSEINCLUDEURLS | BIF_SHAREABLE;
  browse.lpfn = OnBrowserEvent;
  browse.lParam = reinterpret_cast<LPARAM>(&state);
  const ScopedItemList chosen(SHBrowseForFolderW(&browse));
  folderBrowser = nullptr;
  if (!chosen) return false;
  std::vector<wchar_t> path(kMaxPickedPath + 1, L'\0');
  if (!SHGetPathFromIDListEx(chosen.Get(), path.data(), static_cast<DWORD>(path.size()), 0)) {
    return false;
  }
  folder = WithTrailingSeparator(Narrow(path.data()));
  return true;
}
