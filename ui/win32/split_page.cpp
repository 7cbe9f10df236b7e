#include "ui/win32/split_page.h"

#include <algorithm>
#include <utility>

#include "base/message_format.h"
#include "base/path_text.h"
#include "base/text_format.h"
#include "engine/disk_space.h"
#include "engine/split/splitter.h"
#include "platform/files.h"
#include "platform/system_error.h"
#include "res/resource.h"
#include "ui/split_checks.h"
#include "ui/win32/message_box.h"

namespace {

std::string ListItemText(const Window& list, int index) {
  const LRESULT length = list.Send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  list.Send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return platform::Narrow(text);
}

void InsertListItem(const Window& list, int index, const std::string& text) {
  const std::wstring wide = platform::Widen(text);
  list.Send(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.c_str()));
}

// The hourglass for a short wait on the system, the arrow again after it.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

}  // namespace

SplitPage::SplitPage(AppPreferences& prefs)
    : PackagePage(IDD_SPLIT_PAGE, prefs, false),
      promptOnOverwrite_(prefs.splitPromptOnOverwrite),
      useSourceName_(prefs.splitAutoFiles),
      useSourceFolder_(prefs.splitAutoFolder),
      selfExtracting_(prefs.selfExtracting),
      writeChecksums_(prefs.splitChecksums),
      recovery_(prefs.splitRecovery),
      bySize_(prefs.splitBySize != 0 ? 1 : 0) {
  if (!useSourceFolder_) destinationFolder_ = prefs.splitFolder;
  if (!useSourceName_) name_ = prefs.splitFilePrefix;
}

unsigned SplitPage::SourceFilterId() const { return IDS_SOURCE_FILE_FILTER; }

unsigned SplitPage::DestinationTitleId() const { return IDS_SPLIT_DESTINATION_LABEL; }

bool SplitPage::OnInit() {
  settingText_ = true;
  PackagePage::OnInit();
  Item(IDC_FILE_COUNT_SPIN).Send(UDM_SETRANGE32, kMinSplitFileCount, kMaxSplitFileCount);
  FillSizeList();
  if (bySize_ == 1) {
    const int preset = FindSizePreset(presets_, prefs_.splitMaxFileSize);
    if (preset >= 0) {
      Item(IDC_MAX_FILE_SIZE).Send(CB_SETCURSEL, static_cast<WPARAM>(preset));
    } else {
      SetBoxText(IDC_MAX_FILE_SIZE, FormatByteSizeLong(prefs_.splitMaxFileSize, true));
    }
    SetBoxText(IDC_FILE_COUNT, {});
  } else {
    SetBoxText(IDC_FILE_COUNT, FormatInteger(static_cast<std::uint64_t>(prefs_.splitFileCount)));
  }
  Item(IDC_RECOVERY_PERCENT).Send(EM_LIMITTEXT, 3);
  SetBoxText(IDC_RECOVERY_PERCENT, std::to_string(prefs_.splitRecoveryPercent));
  settingText_ = false;
  return true;
}

void SplitPage::FillSizeList() {
  presets_ = SplitSizePresets(prefs_.ConfigFilePath());
  const Window list = Item(IDC_MAX_FILE_SIZE);
  list.Send(CB_RESETCONTENT);
  for (std::size_t i = 0; i < presets_.size(); ++i) {
    InsertListItem(list, static_cast<int>(i), presets_[i].text);
  }
}

void SplitPage::DoDataExchange(DataExchange& exchange) {
  PackagePage::DoDataExchange(exchange);
  exchange.Radio(IDC_BY_COUNT, 2, bySize_);
  exchange.Check(IDC_PROMPT_OVERWRITE, promptOnOverwrite_);
  exchange.Check(IDC_USE_SOURCE_NAME, useSourceName_);
  exchange.Check(IDC_USE_SOURCE_FOLDER, useSourceFolder_);
  exchange.Check(IDC_SELF_EXTRACTING, selfExtracting_);
  exchange.Check(IDC_WRITE_CHECKSUMS, writeChecksums_);
  exchange.Check(IDC_RECOVERY, recovery_);
  exchange.Text(IDC_RECOVERY_VOLUMES, recoveryText_);
  if (exchange.Reading()) {
    prefs_.splitPromptOnOverwrite = promptOnOverwrite_;
    prefs_.splitAutoFiles = useSourceName_;
    prefs_.splitFilePrefix = name_;
    prefs_.splitAutoFolder = useSourceFolder_;
    prefs_.splitFolder = destinationFolder_;
    prefs_.selfExtracting = selfExtracting_;
    prefs_.splitChecksums = writeChecksums_;
    prefs_.splitRecovery = recovery_;
    prefs_.splitBySize = bySize_;
    return;
  }
  const bool countMode = bySize_ == 0;
  Item(IDC_DESTINATION).Enable(!useSourceFolder_);
  Item(IDC_BROWSE_DESTINATION).Enable(!useSourceFolder_);
  Item(IDC_NAME).Enable(!useSourceName_);
  Item(IDC_FILE_COUNT).Enable(countMode);
  InvalidateRect(Item(IDC_FILE_COUNT_SPIN).Handle(), nullptr, TRUE);
  Item(IDC_MAX_FILE_SIZE).Enable(!countMode);
  Item(IDC_SET_TO_FREE_SPACE).Enable(!countMode && platform::FolderExists(destinationFolder_));
  Item(IDC_RECOVERY_PERCENT).Enable(recovery_);
}

SplitPageFields SplitPage::Fields() const {
  SplitPageFields fields;
  fields.sourcePath = sourcePath_;
  fields.destinationFolder = destinationFolder_;
  fields.namePrefix = name_;
  fields.useSourceFolder = useSourceFolder_;
  fields.useSourceFileName = useSourceName_;
  fields.bySize = bySize_ == 1;
  fields.sizeText = Item(IDC_MAX_FILE_SIZE).Text();
  fields.countText = Item(IDC_FILE_COUNT).Text();
  fields.byteSizeText = byteSizeText_;
  fields.comments = comments_;
  fields.recovery = recovery_;
  fields.recoveryPercentText = Item(IDC_RECOVERY_PERCENT).Text();
  fields.recoveryText = recoveryText_;
  return fields;
}

void SplitPage::TakeFields(const SplitPageFields& fields) {
  sourcePath_ = fields.sourcePath;
  destinationFolder_ = fields.destinationFolder;
  name_ = fields.namePrefix;
  byteSizeText_ = fields.byteSizeText;
  comments_ = fields.comments;
  recoveryText_ = fields.recoveryText;
  SetBoxText(IDC_MAX_FILE_SIZE, fields.sizeText);
  SetBoxText(IDC_FILE_COUNT, fields.countText);
  SetBoxText(IDC_RECOVERY_PERCENT, fields.recoveryPercentText);
}

SplitOptions SplitPage::Options() const {
  SplitOptions options;
  options.maxSplitFileSize = prefs_.splitMaxFileSize;
  options.fileCount = static_cast<std::uint32_t>(std::max(prefs_.splitFileCount, 0));
  options.bySize = bySize_ == 1;
  options.selfExtracting = selfExtracting_;
  options.promptOnOverwrites = promptOnOverwrite_;
  options.writeManifest = writeChecksums_;
  options.comments = comments_;
  return options;
}

void SplitPage::StoreOptions(const SplitOptions& options) {
  prefs_.splitMaxFileSize = options.maxSplitFileSize;
  prefs_.splitFileCount = static_cast<int>(options.fileCount);
  if (options.recovery.value != 0) {
    prefs_.splitRecoveryPercent = static_cast<int>(options.recovery.value);
  }
}

void SplitPage::ClearInfo() {
  PackagePage::ClearInfo();
  recoveryText_.clear();
  if (bySize_ == 1) {
    SetBoxText(IDC_FILE_COUNT, {});
  } else {
    Item(IDC_MAX_FILE_SIZE).Send(CB_SETCURSEL, static_cast<WPARAM>(-1));
  }
}

void SplitPage::LoadInfo() {
  SplitPageFields fields = Fields();
  SplitOptions options = Options();
  // What was derived before a failure stays on the page; a size or number that was read is
  // kept even when the plan then fails.
  struct Keep {
    SplitPage& page;
    SplitPageFields& fields;
    SplitOptions& options;
    ~Keep() {
      page.TakeFields(fields);
      page.StoreOptions(options);
    }
  } keep{*this, fields, options};
  LoadSplitInfo(fields, options, {prefs_.splitFolder, prefs_.splitFilePrefix});
}

void SplitPage::Split() {
  ReadFieldsOrAbort();
  if (!destinationFolder_.empty() && !CheckDestinationFolder()) return;
  SplitPageFields fields = Fields();
  SplitOptions options = Options();
  const std::string destinationPrefix = PrepareSplitRun(fields, options);
  StoreOptions(options);
  TakeFields(fields);
  WriteFields();
  const std::string source = sourcePath_;
  RunOperation(
      LoadMessage(IDS_TITLE_SPLITTING, {FileNamePart(source)}).value_or(""),
      [&](OperationHost& host) { Splitter().Split(host, source, destinationPrefix, options); });
  // Count mode planned the size of the files it wrote.
  StoreOptions(options);
}

void SplitPage::SetToFreeSpace() {
  const WaitCursor wait;
  const std::string folder = Item(IDC_DESTINATION).Text();
  const std::optional<std::uint64_t> freeBytes = GetFreeSpaceAt(folder, true);
  const platform::ErrorCode failure =
      freeBytes ? platform::kErrorDiskFull : platform::LastSystemError();
  if (const std::optional<std::uint64_t> size = SplitFileSizeForFreeSpace(freeBytes)) {
    SetBoxText(IDC_MAX_FILE_SIZE, FormatByteSizeLong(*size, true));
    RefreshPage();
    return;
  }
  ShowMessage(Sheet().Handle(),
              platform::SystemErrorText(failure).value_or("") + "\r\n\r\n\t" + folder,
              kBoxIconExclamation);
}

void SplitPage::OnSettingChange(const std::wstring& section) {
  ReformatSizeList();
  const Window box = Item(IDC_MAX_FILE_SIZE);
  SetBoxText(IDC_MAX_FILE_SIZE, ReformattedSizeBox(box.Text(), prefs_.splitMaxFileSize));
  PackagePage::OnSettingChange(section);
}

// Every size in the list in the new number format, from the sizes the list was made of: its
// old texts may no longer read in the new format. A label of the configuration file goes.
void SplitPage::ReformatSizeList() {
  const Window list = Item(IDC_MAX_FILE_SIZE);
  const int count = static_cast<int>(list.Send(CB_GETCOUNT));
  for (int i = std::min(count, static_cast<int>(presets_.size())) - 1; i >= 0; --i) {
    list.Send(CB_DELETESTRING, static_cast<WPARAM>(i));
    InsertListItem(list, i, FormatByteSizeLong(presets_[i].bytes, true));
  }
}

void SplitPage::TakeSelectedSize() {
  const Window list = Item(IDC_MAX_FILE_SIZE);
  const LRESULT index = list.Send(CB_GETCURSEL);
  if (index == CB_ERR) return;
  SetBoxText(IDC_MAX_FILE_SIZE, ListItemText(list, static_cast<int>(index)));
  RefreshPage();
}

bool SplitPage::CountMode() const { return Item(IDC_BY_COUNT).IsChecked(); }

void SplitPage::FillEmptyInput(int boxId, const std::string& text) {
  if (Item(boxId).Text().empty()) SetBoxText(boxId, text);
}

void SplitPage::SetBoxText(int id, const std::string& text) {
  const bool wasSetting = std::exchange(settingText_, true);
  Item(id).SetText(text);  // which leaves a box alone whose text is already this
  settingText_ = wasSetting;
}

bool SplitPage::OnCommand(int id, int code, HWND control) {
  const bool clicked = code == BN_CLICKED;
  switch (id) {
    case IDC_ACTION_BUTTON:
      if (clicked) Split();
      return clicked;
    case IDC_MAX_FILE_SIZE:
      if (code == CBN_EDITCHANGE) RefreshPage();
      if (code == CBN_SELCHANGE) TakeSelectedSize();
      return code == CBN_EDITCHANGE || code == CBN_SELCHANGE;
    case IDC_FILE_COUNT:
      if (code == EN_CHANGE && !settingText_ && CountMode()) RefreshPage();
      return code == EN_CHANGE;
    case IDC_RECOVERY_PERCENT:
      if (code == EN_CHANGE && !settingText_) RefreshPage();
      return code == EN_CHANGE;
    case IDC_RECOVERY:
      if (clicked) RefreshPage();
      return clicked;
    case IDC_BY_COUNT:
      if (clicked) {
        FillEmptyInput(IDC_FILE_COUNT,
                       FormatInteger(static_cast<std::uint64_t>(prefs_.splitFileCount)));
        RefreshPage();
      }
      return clicked;
    case IDC_BY_SIZE:
      if (clicked) {
        FillEmptyInput(IDC_MAX_FILE_SIZE, FormatByteSizeLong(prefs_.splitMaxFileSize));
        RefreshPage();
      }
      return clicked;
    case IDC_SET_TO_FREE_SPACE:
      if (clicked) SetToFreeSpace();
      return clicked;
    default:
      return PackagePage::OnCommand(id, code, control);
  }
}
