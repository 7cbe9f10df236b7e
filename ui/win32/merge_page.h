#pragma once
// CPPMerge: the Merge tab. The user names a master split file; the page shows what the package
// holds and where the merged file goes, merges it or only verifies it.

#include "ui/merge_page_rules.h"
#include "ui/win32/page_parent.h"

class CPPMerge : public CPPParent {
 public:
  explicit CPPMerge(CAppPrefs& prefs);

  // The Merge command (the action button) and the Verify command (Verify Files).
  void Merge();
  void Verify();

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void DoDataExchange(DataExchange& exchange) override;
  void ClearInfo() override;
  void LoadInfo() override;
  unsigned SourceFilterId() const override;
  unsigned DestinationTitleId() const override;

 private:
  MergePageFields Fields() const;
  void TakeFields(const MergePageFields& fields);

  bool useSourceFolder_, useOriginalName_, promptOnOverwrite_, deleteWhenDone_;
  std::string fileCountText_, timeSplitText_, maxFileSizeText_;
};
