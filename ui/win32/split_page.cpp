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

// The page's fields as the stored preferences leave them.
SplitPageFields StoredFields(const AppPreferences& prefs) {
  SplitPageFields fields;
  fields.useSourceFolder = prefs.splitAutoFolder;
  fields.useSourceFileName = prefs.splitAutoFiles;
  fields.bySize = prefs.splitBySize != 0;
  fields.recovery = prefs.splitRecovery;
  if (!fields.useSourceFolder) fields.destinationFolder = prefs.splitFolder;
  if (!fields.useSourceFileName) fields.namePrefix = prefs.splitFilePrefix;
  return fields;
}

}  // namespace

SplitPage::SplitPage(AppPreferences& prefs)
    : PackagePage(IDD_SPLIT_PAGE, prefs, false),
      fields_(StoredFields(prefs)),
      promptOnOverwrite_(prefs.splitPromptOnOverwrite),
      selfExtracting_(prefs.selfExtracting),
      writeChecksums_(prefs.splitChecksums) {}

PackagePage::CommonFields SplitPage::Common() {
  return {fields_.sourcePath, fields_.destinationFolder, fields_.namePrefix, fields_.byteSizeText,
          fields_.comments};
}

unsigned SplitPage::SourceFilterId() const { return IDS_SOURCE_FILE_FILTER; }

unsigned SplitPage::DestinationTitleId() const { return IDS_SPLIT_DESTINATION_LABEL; }

bool SplitPage::OnInit() {
  settingText_ = true;
  PackagePage::OnInit();
  Item(IDC_FILE_COUNT_SPIN).Send(UDM_SETRANGE32, kMinSplitFileCount, kMaxSplitFileCount);
  FillSizeList();
  if (fields_.bySize) {
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
  exchange.RadioPair(IDC_BY_COUNT, fields_.bySize);
  exchange.Check(IDC_PROMPT_OVERWRITE, promptOnOverwrite_);
  exchange.Check(IDC_USE_SOURCE_NAME, fields_.useSourceFileName);
  exchange.Check(IDC_USE_SOURCE_FOLDER, fields_.useSourceFolder);
  exchange.Check(IDC_SELF_EXTRACTING, selfExtracting_);
  exchange.Check(IDC_WRITE_CHECKSUMS, writeChecksums_);
  exchange.Check(IDC_RECOVERY, fields_.recovery);
  exchange.Text(IDC_RECOVERY_VOLUMES, fields_.recoveryText);
  if (exchange.Reading()) {
    prefs_.splitPromptOnOverwrite = promptOnOverwrite_;
    prefs_.splitAutoFiles = fields_.useSourceFileName;
    prefs_.splitFilePrefix = fields_.namePrefix;
    prefs_.splitAutoFolder = fields_.useSourceFolder;
    prefs_.splitFolder = fields_.destinationFolder;
    prefs_.selfExtracting = selfExtracting_;
    prefs_.splitChecksums = writeChecksums_;
    prefs_.splitRecovery = fields_.recovery;
    prefs_.splitBySize = fields_.bySize ? 1 : 0;
    return;
  }
  const bool countMode = !fields_.bySize;
  Item(IDC_DESTINATION).Enable(!fields_.useSourceFolder);
  Item(IDC_BROWSE_DESTINATION).Enable(!fields_.useSourceFolder);
  Item(IDC_NAME).Enable(!fields_.useSourceFileName);
  Item(IDC_FILE_COUNT).Enable(countMode);
  InvalidateRect(Item(IDC_FILE_COUNT_SPIN).Handle(), nullptr, TRUE);
  Item(IDC_MAX_FILE_SIZE).Enable(!countMode);
  Item(IDC_SET_TO_FREE_SPACE)
      .Enable(!countMode && platform::FolderExists(fields_.destinationFolder));
  Item(IDC_RECOVERY_PERCENT).Enable(fields_.recovery);
}

void SplitPage::ReadNumberBoxes() {
  fields_.sizeText = Item(IDC_MAX_FILE_SIZE).Text();
  fields_.countText = Item(IDC_FILE_COUNT).Text();
  fields_.recoveryPercentText = Item(IDC_RECOVERY_PERCENT).Text();
}

void SplitPage::WriteNumberBoxes() {
  SetBoxText(IDC_MAX_FILE_SIZE, fields_.sizeText);
  SetBoxText(IDC_FILE_COUNT, fields_.countText);
  SetBoxText(IDC_RECOVERY_PERCENT, fields_.recoveryPercentText);
}

SplitOptions SplitPage::Options() const {
  SplitOptions options;
  options.maxSplitFileSize = prefs_.splitMaxFileSize;
  options.fileCount = static_cast<std::uint32_t>(std::max(prefs_.splitFileCount, 0));
  options.bySize = fields_.bySize;
  options.selfExtracting = selfExtracting_;
  options.promptOnOverwrites = promptOnOverwrite_;
  options.writeManifest = writeChecksums_;
  options.comments = fields_.comments;
  return options;
}

void SplitPage::StoreOptions(const SplitOptions& options) {
  prefs_.splitMaxFileSize = options.maxSplitFileSize;
  prefs_.splitFileCount = static_cast<int>(options.fileCount);
  if (options.recovery.value != 0) {
    prefs_.splitRecoveryPercent = static_cast<int>(options.recovery.value);
  }
}

void SplitPage::ShowAndStoreNumbers(const SplitOptions& options) {
  WriteNumberBoxes();
  StoreOptions(options);
}

void SplitPage::ClearInfo() {
  ClearSplitInfo(fields_);
  // The mode's output box, which LoadInfo reads again.
  if (fields_.bySize) {
    SetBoxText(IDC_FILE_COUNT, {});
  } else {
    Item(IDC_MAX_FILE_SIZE).Send(CB_SETCURSEL, static_cast<WPARAM>(-1));
  }
}

void SplitPage::LoadInfo() {
  ReadNumberBoxes();
  SplitOptions options = Options();
  // What was derived before a failure stays on the page; a size or number that was read is
  // kept even when the plan then fails.
  try {
    LoadSplitInfo(fields_, options, {prefs_.splitFolder, prefs_.splitFilePrefix});
  } catch (...) {
    ShowAndStoreNumbers(options);
    throw;
  }
  ShowAndStoreNumbers(options);
}

void SplitPage::Split() {
  ReadFieldsOrAbort();
  if (!fields_.destinationFolder.empty() && !CheckDestinationFolder()) return;
  ReadNumberBoxes();
  SplitOptions options = Options();
  const std::string destinationPrefix = PrepareSplitRun(fields_, options);
  ShowAndStoreNumbers(options);
  WriteFields();
  const std::string source = fields_.sourcePath;
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
