#pragma once
// PackagePage: what the Split and Merge pages share. The path boxes with their browse buttons,
// the comments, the status area with its bar and lines, "Beep when done"; the refresh that
// re-derives what the page shows whenever an input changes; and the run of an operation in
// the busy window (BusyWindowScope).

#include <functional>
#include <optional>
#include <string>

#include "engine/operation_state.h"
#include "settings/app_preferences.h"
#include "ui/win32/edit_drop.h"
#include "ui/win32/image_button.h"
#include "ui/win32/property_page.h"
#include "ui/win32/window_host.h"

class PackagePage : public PropertyPage {
 public:
  // `mergePage`: the page labels the action button "&Merge" rather than "&Split".
  PackagePage(int templateId, AppPreferences& prefs, bool mergePage);

  bool OnSetActive() override;
  void OnSettingChange(const std::wstring& section) override;

  // Re-derives everything the page shows from its inputs; a failure to derive it is shown in
  // the status box, never in a message box.
  void RefreshPage();

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void DoDataExchange(DataExchange& exchange) override;

  // The fields this base binds: references into the page's fields.
  struct CommonFields {
    std::string& sourcePath;
    std::string& destinationFolder;
    std::string& name;
    std::string& byteSizeText;
    std::string& comments;
  };
  virtual CommonFields Common() = 0;
  // Clears what LoadInfo derives.
  virtual void ClearInfo() = 0;
  // Derives what the page shows from the source; raises what goes wrong.
  virtual void LoadInfo() = 0;
  // The open-file dialog's filter (string id) and the folder browser's title (string id).
  virtual unsigned SourceFilterId() const = 0;
  virtual unsigned DestinationTitleId() const = 0;

  // The destination folder must exist: the reading direction fails with 1119 and puts the
  // focus on the destination box. False when it failed.
  bool CheckDestinationFolder();

  // Runs `operation` in the busy scope on the main window, then the beep rule; meanwhile the
  // title names the `activity` with its progress. An error leaves the scope, shows "The
  // operation was NOT completed." for an abort while the window exists, and goes on to the
  // application's handler.
  void RunOperation(const std::string& activity, const std::function<void(WindowHost&)>& operation);

  // Reads the fields; when that fails, the command ends as a user abort.
  void ReadFieldsOrAbort();

  AppPreferences& prefs_;
  std::string status_;
  bool beep_ = false;

 private:
  // The four path and size boxes.
  void ExchangePathFields(DataExchange& exchange);
  void BrowseDestination();

  bool mergePage_;
  bool refreshing_ = false;
  EditDrop sourceBox_{false}, destinationBox_{true}, nameBox_{false};
  ImageButton browseSource_, browseDestination_;
};
