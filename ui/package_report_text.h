#pragma once
// The words of a package's damage report, shared by the console's verify --report and the
// window's report dialog: each piece's state, the summary under the list, and what the recovery
// files can do. Names pass through `shown`, which makes a file's name fit to show where it goes.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/merge/package_recovery.h"
#include "engine/merge/package_report.h"
#include "engine/operation_host.h"

using ShownText = std::function<std::string(std::string_view)>;

// "ok", "missing", "wrong checksum"...
std::string PieceStateText(PieceState state);

// The state, then the file elsewhere or the reason the state is about: "unreadable: Access is
// denied."
std::string PieceStateDetail(const PieceReport& piece, const ShownText& shown);

// "4 of 5 data split files are good.", the files to fetch again, what is wrong with the whole
// and the note on early packages: a line each.
std::string ReportSummary(const PackageReport& report, const ShownText& shown);

// Whether the recovery files can rebuild what is bad; `advice` says what to do when they can.
std::string RecoveryLine(const RecoveryOutlook& outlook, std::string_view advice);

// A package read for its report, with what its recovery files can rebuild when it is damaged
// and has them.
struct PackageCheck {
  PackageReport report;
  std::optional<RecoveryOutlook> recovery;
};

// Reads the package as the report does (the master's errors raised as a merge raises them),
// then, when any piece is bad, its recovery files; the progress shows on the host.
PackageCheck CheckPackage(OperationHost& host, const std::string& masterPath,
                          const std::vector<std::string>& searchFolders);
