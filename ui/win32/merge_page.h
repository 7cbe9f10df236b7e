#pragma once
// MergePage: the Merge tab. The user names a master split file; the page shows what the package
// holds and where the merged file goes, merges it, or verifies it and shows its report.

#include <optional>
#include <string>
#include <vector>

#include "base/exceptions.h"
#include "ui/merge_page_rules.h"
#include "ui/report_view.h"
#include "ui/win32/package_page.h"

class MergePage : public PackagePage {
 public:
  explicit MergePage(AppPreferences& prefs);

  // The Merge command (the action button) and the Verify command (Verify Files).
  void Merge();
  void Verify();

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
  // The folders the user gave for this package's files, looked in first the next time.
  std::vector<std::string> FoldersGivenFor(const std::string& master);
  void RememberFolders(const WindowHost& host);
  // After a merge failed: the package's report when the package is to blame (a piece that
  // the user could not give, or data that do not add up), read with the host's progress.
  std::optional<ReportView> ReportOfFailure(WindowHost& host, const CException& error,
                                            const std::string& master);

  MergePageFields fields_;
  bool promptOnOverwrite_, deleteWhenDone_;
  std::string foldersMaster_;
  std::vector<std::string> foldersGiven_;
};
