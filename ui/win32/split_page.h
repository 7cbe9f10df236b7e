#pragma once
// SplitPage: the Split tab. The user names a file, where its package goes and what it is
// called, and either the number of split files or their largest size; the page works out the
// other one at every change and splits the file on the action button.

#include <vector>

#include "engine/split/split_options.h"
#include "ui/split_page_rules.h"
#include "ui/split_presets.h"
#include "ui/win32/package_page.h"

class SplitPage : public PackagePage {
 public:
  explicit SplitPage(AppPreferences& prefs);

  // The Split command (the action button).
  void Split();
  // "S&et to Destination Free Space".
  void SetToFreeSpace();

  void OnSettingChange(const std::wstring& section) override;

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void DoDataExchange(DataExchange& exchange) override;
  CommonFields Common() override;
  void ClearInfo() override;
  void LoadInfo() override;
  unsigned SourceFilterId() const override;
  unsigned DestinationTitleId() const override;

 private:
  // The number boxes (size, count and recovery percent), which the exchange leaves alone: the
  // page writes them through SetBoxText.
  void ReadNumberBoxes();
  void WriteNumberBoxes();
  // The split's options from the page and the stored preferences; and back.
  SplitOptions Options() const;
  void StoreOptions(const SplitOptions& options);
  // After a load or a run: the number boxes as it formatted them, and the size, count and
  // recovery share it read, stored.
  void ShowAndStoreNumbers(const SplitOptions& options);

  void FillSizeList();
  void ReformatSizeList();
  void TakeSelectedSize();
  void FillEmptyInput(int boxId, const std::string& text);
  bool CountMode() const;
  // Sets a box's text without the change counting as the user's edit.
  void SetBoxText(int id, const std::string& text);

  SplitPageFields fields_;
  bool promptOnOverwrite_, selfExtracting_, writeChecksums_;
  bool settingText_ = false;
  std::vector<SizePreset> presets_;
};
