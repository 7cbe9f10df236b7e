#pragma once
// What the report dialog shows of a checked package: a row per data split file (its file, its
// disk and its state), the summary under the rows, and the whole as plain text for the
// clipboard and a saved file.

#include <string>
#include <vector>

#include "ui/package_report_text.h"

struct ReportRow {
  std::string file;
  std::string disk;
  std::string state;
};

struct ReportView {
  std::string master;  // the package's master file
  std::string why;     // why the report is shown after a merge; empty for a verify
  std::vector<ReportRow> rows;
  std::string summary;  // a line each, "\n" after each

  // "Package: " and the master, the reason, the rows ("sample.bin_00002.fss (disk 2):
  // missing") and the summary.
  std::string Text() const;
};

// The report of the package at `masterPath`; `why` as the view keeps it. A file the recovery
// files can rebuild says so in its row.
ReportView MakeReportView(const std::string& masterPath, const PackageCheck& check,
                          const std::string& why);
