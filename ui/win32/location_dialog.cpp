#include "ui/win32/location_dialog.h"

#include "base/message_format.h"
#include "res/resource.h"
#include "ui/win32/pickers.h"

namespace {

// The buffer the engine copies a chosen path into, in UTF-16 units with the terminating null.
constexpr std::size_t kPathBuffer = 260;

std::string WithTrailingSeparator(std::string path) {
  if (!path.empty() && path.back() != '\\' && path.back() != '/') {
    path += path.find('/') != std::string::npos ? '/' : '\\';
  }
  return path;
}

}  // namespace

INT_PTR LocationDialog::Run(HWND owner) { return RunModal(IDD_LOCATION, owner); }

bool LocationDialog::OnInit() {
  browse_.Attach(Handle(), IDC_LOCATION_BROWSE, folderMode_ ? IDI_BROWSE_FOLDER : IDI_BROWSE_FILE);
  WriteFields();
  return true;
}

void LocationDialog::DoDataExchange(DataExchange& exchange) {
  exchange.Text(IDC_LOCATION_MESSAGE, message_);
  exchange.Text(IDC_LOCATION_PATH, path_);
}

bool LocationDialog::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_LOCATION_BROWSE:
      if (folderMode_) {
        std::string folder;
        if (PickFolder(Handle(), {}, Item(IDC_LOCATION_PATH).Text(), folder)) {
          Item(IDC_LOCATION_PATH).SetText(folder);
        }
      } else if (PickFileForEdit(IDC_LOCATION_PATH, LoadMessage(filterId_).value_or(""),
                                 Handle()) == IDOK) {
        ReadFields();
      }
      return true;
    case IDOK:
      if (!ReadFields()) return true;
      if (folderMode_) path_ = WithTrailingSeparator(path_);
      EndDialog(Handle(), IDOK);
      return true;
    case IDCANCEL:
      EndDialog(Handle(), IDCANCEL);
      return true;
    default:
      return false;
  }
}

LocationAnswer AskForLocation(HWND owner, LocationMode mode, std::string& path,
                              const std::string& reason) {
  LocationDialog dialog(LoadMessage(IDS_REASON_PREFIX).value_or("") + reason, path,
                        mode == LocationMode::folder, IDS_PIECE_FILE_FILTER);
  if (dialog.Run(owner) != IDOK) return LocationAnswer::cancel;
  if (Widen(dialog.Path()).size() >= kPathBuffer) return LocationAnswer::pathTooLong;
  path = dialog.Path();
  return LocationAnswer::ok;
}
