#pragma once
// LocationDialog: "Select Another Location", through which a running operation asks for another
// file or folder.

#include <string>
#include <utility>

#include "engine/operation_host.h"
#include "ui/win32/dialog.h"
#include "ui/win32/image_button.h"

class LocationDialog : public Dialog {
 public:
  // `message` says why another location is needed; `path` is the one shown first. In file
  // mode `filterId` is the string of the open-file dialog's filter.
  LocationDialog(std::string message, std::string path, bool folderMode, unsigned filterId)
      : message_(std::move(message)),
        path_(std::move(path)),
        folderMode_(folderMode),
        filterId_(filterId) {}

  // IDOK or IDCANCEL.
  INT_PTR Run(HWND owner);
  // The location chosen (after IDOK).
  const std::string& Path() const { return path_; }

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void DoDataExchange(DataExchange& exchange) override;

 private:
  std::string message_;
  std::string path_;
  bool folderMode_;
  unsigned filterId_;
  ImageButton browse_;
};

// The engine's location prompt: the dialog in folder mode, or in file mode for package
// pieces. A chosen path of 260 UTF-16 units or more is refused as too long.
LocationAnswer AskForLocation(HWND owner, LocationMode mode, std::string& path,
                              const std::string& reason);
