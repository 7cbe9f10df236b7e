#include "ui/win32/page_parent.h"

#include <algorithm>

#include "base/exceptions.h"
#include "base/message_format.h"
#include "engine/operation_host.h"
#include "platform/files.h"
#include "res/resource.h"
#include "ui/beep_rule.h"
#include "ui/win32/app_sheet.h"
#include "ui/win32/pickers.h"

namespace {

constexpr int kCommentsLimit = 511;
constexpr std::size_t kStatusCapacity = 521;  // the status shows at most 520 characters
// The buttons that stay usable during an operation: Help (both programs), About, Close.
constexpr int kKeptEnabled[] = {kIdHelpLite, kIdHelpContents, kIdAppAbout, kIdAppExit};

struct ChildUpdate {
  bool enable;
};

BOOL CALLBACK UpdateChild(HWND child, LPARAM data) {
  const auto& update = *reinterpret_cast<const ChildUpdate*>(data);
  if (!IsWindowVisible(child)) return TRUE;
  const int id = GetDlgCtrlID(child);
  if (!update.enable && std::ranges::find(kKeptEnabled, id) != std::end(kKeptEnabled)) return TRUE;
  EnableWindow(child, update.enable ? TRUE : FALSE);
  return TRUE;
}

// The direct children of `window` only: a disabled page disables what it holds.
void UpdateChildren(HWND window, bool enable) {
  const ChildUpdate update{enable};
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    UpdateChild(child, reinterpret_cast<LPARAM>(&update));
  }
}

// The Close button with its command id and label of the moment.
void RelabelCloseButton(HWND mainWindow, int fromId, int toId, int labelPart) {
  const HWND button = GetDlgItem(mainWindow, fromId);
  if (button == nullptr) return;
  SetWindowLongPtrW(button, GWLP_ID, toId);
  Window(button).SetText(LoadStringPart(IDS_CANCEL_CLOSE, labelPart));
}

}  // namespace

CAutoWindowDisabler::CAutoWindowDisabler(HWND mainWindow, OperationHost& host)
    : mainWindow_(mainWindow), scope_(host) {
  if (!IsWindow(mainWindow_)) return;
  UpdateChildren(mainWindow_, false);
  RelabelCloseButton(mainWindow_, kIdAppExit, kIdCancelCommand, 0);
}

CAutoWindowDisabler::~CAutoWindowDisabler() {
  if (!IsWindow(mainWindow_)) return;
  UpdateChildren(mainWindow_, true);
  RelabelCloseButton(mainWindow_, kIdCancelCommand, kIdAppExit, 1);
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

CPPParent::CPPParent(int templateId, CAppPrefs& prefs, bool mergePage)
    : PropertyPage(templateId), prefs_(prefs), beep_(prefs.beep), mergePage_(mergePage) {}

bool CPPParent::OnInit() {
  if (const CPSApp* sheet = MainSheet()) ApplyFontToTree(Handle(), sheet->Font());
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

bool CPPParent::OnSetActive() {
  if (const CPSApp* sheet = MainSheet()) sheet->ShowButtonsFor(mergePage_);
  Item(IDC_BEEP).SetCheck(prefs_.beep);
  RefreshPage();
  return true;
}

void CPPParent::OnSettingChange(const std::wstring&) { RefreshPage(); }

void CPPParent::DoDataExchange(DataExchange& exchange) {
  exchange.Text(IDC_COMMENTS, comments_, kCommentsLimit);
  exchange.Text(IDC_STATUS, status_);
  exchange.Check(IDC_BEEP, beep_);
  ExchangePathFields(exchange);
  if (exchange.Reading()) prefs_.beep = beep_;
}

void CPPParent::ExchangePathFields(DataExchange& exchange) {
  exchange.Text(IDC_SOURCE_PATH, sourcePath_);
  exchange.Text(IDC_DESTINATION, destinationFolder_);
  exchange.Text(IDC_NAME, name_);
  exchange.Text(IDC_BYTE_SIZE, byteSizeText_);
}

void CPPParent::ClearInfo() { byteSizeText_.clear(); }

void CPPParent::RefreshPage() {
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

bool CPPParent::CheckDestinationFolder() {
  const std::string folder = Item(IDC_DESTINATION).Text();
  if (!platform::FolderExists(folder)) {
    DataExchange(*this, true)
        .ShowFailure(IDC_DESTINATION, LoadMessage(IDS_FOLDER_NOT_FOUND, {folder}).value_or(""),
                     kBoxIconExclamation);
    return false;
  }
  destinationFolder_ = folder;
  return true;
}

void CPPParent::ReadFieldsOrAbort() {
  if (!ReadFields()) ThrowUserAbort();
}

void CPPParent::RunOperation(const std::string& activity,
                             const std::function<void(WindowHost&)>& operation) {
  const HWND mainWindow = Sheet().Handle();
  WindowHost host(*this, mainWindow);
  host.NameActivity(activity);
  try {
    {
      CAutoWindowDisabler busy(mainWindow, host);
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

bool CPPParent::OnCommand(int id, int code, HWND) {
  switch (id) {
    case kIdCancelCommand:
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

void CPPParent::BrowseDestination() {
  std::string folder;
  if (PickFolder(Handle(), LoadMessage(DestinationTitleId()).value_or(""),
                 Item(IDC_DESTINATION).Text(), folder)) {
    Item(IDC_DESTINATION).SetText(folder);
  }
}
