#pragma once
// LocationDialog: "Select Another Location", through which a running operation asks for another
// file or folder.

#include <string>

#include "engine/operation_host.h"
#include "ui/win32/dialog.h"
#include "ui/win32/image_button.h"

class LocationDialog : public Dialog {
 public:
  std::string message;  // why another location is needed
  std::string path;     // in and out
  bool folderMode = false;
  unsigned filterId = 0;  // file mode: the string of the open-file dialog's filter

  // IDOK or IDCANCEL.
  INT_PTR Run(HWND owner);

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void DoDataExchange(DataExchange& exchange) override;

 private:
  ImageButton browse_;
};

// The engine's location prompt: the dialog in folder mode, or in file mode for package
// pieces. A chosen path of 260 UTF-16 units or more is refused as too long.
LocationAnswer AskForLocation(HWND owner, LocationMode mode, std::string& path,
                              const std::string& reason);
