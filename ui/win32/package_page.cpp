#include "ui/win32/package_page.h"

#include "base/exceptions.h"
#include "base/message_format.h"
#include "engine/operation_host.h"
#include "platform/files.h"
#include "res/resource.h"
#include "ui/beep_rule.h"
#include "ui/win32/busy_window_scope.h"
#include "ui/win32/main_sheet.h"
#include "ui/win32/pickers.h"

namespace {

constexpr int kCommentsLimit = 511;
constexpr std::size_t kStatusCapacity = 521;  // the status shows at most 520 characters

}  // namespace

PackagePage::PackagePage(int templateId, AppPreferences& prefs, bool mergePage)
    : PropertyPage(templateId), prefs_(prefs), beep_(prefs.beep), mergePage_(mergePage) {}

bool PackagePage::OnInit() {
  if (const MainSheet* sheet = MainSheet::Current()) ApplyFontToTree(Handle(), sheet->Font());
  browseSource_.Attach(Handle(), IDC_BROWSE_SOURCE, IDI_BROWSE_FILE);
  browseDestination_.Attach(Handle(), IDC_BROWSE_DESTINATION, IDI_BROWSE_FOLDER);
  sourceBox_.Attach(Handle(), IDC_SOURCE_PATH);
  destinationBox_.Attach(Handle(), IDC_DESTINATION);
  nameBox_.Attach(Handle(), IDC_NAME);
  Item(IDC_PROGRESS).Send(PBM_SETRANGE32, 0, 100);
  refreshing_ = true;
  WriteFields();
  refreshing_ = false;
  return true;
}

bool PackagePage::OnSetActive() {
  if (const MainSheet* sheet = MainSheet::Current()) sheet->ShowButtonsFor(mergePage_);
  Item(IDC_BEEP).SetCheck(prefs_.beep);
  RefreshPage();
  return true;
}

void PackagePage::OnSettingChange(const std::wstring&) { RefreshPage(); }

void PackagePage::DoDataExchange(DataExchange& exchange) {
  exchange.Text(IDC_COMMENTS, Common().comments, kCommentsLimit);
  exchange.Text(IDC_STATUS, status_);
  exchange.Check(IDC_BEEP, beep_);
  ExchangePathFields(exchange);
  if (exchange.Reading()) prefs_.beep = beep_;
}

void PackagePage::ExchangePathFields(DataExchange& exchange) {
  const CommonFields fields = Common();
  exchange.Text(IDC_SOURCE_PATH, fields.sourcePath);
  exchange.Text(IDC_DESTINATION, fields.destinationFolder);
  exchange.Text(IDC_NAME, fields.name);
  exchange.Text(IDC_BYTE_SIZE, fields.byteSizeText);
}

void PackagePage::RefreshPage() {
  if (refreshing_) return;
  refreshing_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{refreshing_};
  if (!ReadFields()) return;
  status_.clear();
  Item(IDC_STATUS).SetText({});
  Item(IDC_PROGRESS).Send(PBM_SETPOS, 0);
  Item(IDC_TIMING).SetText({});
  Item(IDC_TRANSFER).SetText({});
  Sheet().SetText(LoadMessage(IDS_APP_TITLE).value_or(""));
  try {
    ClearInfo();
    LoadInfo();
  } catch (const CException& error) {
    error.GetErrorMessage(status_, kStatusCapacity);
  }
  WriteFields();
}

bool PackagePage::CheckDestinationFolder() {
  const std::string folder = Item(IDC_DESTINATION).Text();
  if (!platform::FolderExists(folder)) {
    DataExchange(*this, true)
        .ShowFailure(IDC_DESTINATION, LoadMessage(IDS_FOLDER_NOT_FOUND, {folder}).value_or(""),
                     kBoxIconExclamation);
    return false;
  }
  Common().destinationFolder = folder;
  return true;
}

void PackagePage::ReadFieldsOrAbort() {
  if (!ReadFields()) ThrowUserAbort();
}

void PackagePage::RunOperation(const std::string& activity,
                               const std::function<void(WindowHost&)>& operation) {
  const HWND mainWindow = Sheet().Handle();
  WindowHost host(*this, mainWindow);
  host.NameActivity(activity);
  try {
    {
      BusyWindowScope busy(mainWindow, host);
      operation(host);
    }
    if (ShouldBeep(ProcessOperationState(), beep_, host.TickCount())) Services().beep();
  } catch (const CUserException&) {
    if (host.MainWindowExists()) SetStatus(host, 0, IDS_OPERATION_NOT_COMPLETED);
    throw;
  } catch (...) {
    host.ShowFailure();
    throw;
  }
}

bool PackagePage::OnCommand(int id, int code, HWND) {
  switch (id) {
    case ID_CANCEL_OPERATION:
      RequestCancel();
      return true;
    case IDC_BROWSE_SOURCE:
      if (code == BN_CLICKED) {
        PickFileForEdit(IDC_SOURCE_PATH, LoadMessage(SourceFilterId()).value_or(""), Handle());
      }
      return true;
    case IDC_BROWSE_DESTINATION:
      if (code == BN_CLICKED) BrowseDestination();
      return true;
    case IDC_SOURCE_PATH:
    case IDC_DESTINATION:
      if (code == EN_CHANGE) RefreshPage();
      return code == EN_CHANGE;
    case IDC_USE_SOURCE_FOLDER:
    case IDC_USE_SOURCE_NAME:
      if (code == BN_CLICKED) RefreshPage();
      return code == BN_CLICKED;
    default:
      return false;
  }
}

void PackagePage::BrowseDestination() {
  std::string folder;
  if (PickFolder(Handle(), LoadMessage(DestinationTitleId()).value_or(""),
                 Item(IDC_DESTINATION).Text(), folder)) {
    Item(IDC_DESTINATION).SetText(folder);
  }
}
