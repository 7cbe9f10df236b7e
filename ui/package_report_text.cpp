#include "ui/package_report_text.h"

#include "base/path_text.h"

namespace {

std::string Plural(std::uint32_t count, const std::string& one, const std::string& many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::optional<RecoveryOutlook> RecoveryOutlookFor(OperationHost& host, const PackageReport& report,
                                                  const std::string& masterPath,
                                                  const std::vector<std::string>& folders) {
  std::vector<std::string> pieces;
  for (const PieceReport& piece : report.pieces) pieces.push_back(piece.name);
  std::optional<PackageRecoverySet> set = FindPackageRecoverySet(masterPath, pieces, folders);
  if (!set) return std::nullopt;
  return AssessPackageRecovery(std::move(*set), report, masterPath, ShownRecoveryProgress(host))
      .outlook;
}

}  // namespace

std::string PieceStateText(PieceState state) {
  switch (state) {
    case PieceState::ok:
      return "ok";
    case PieceState::foundElsewhere:
      return "found elsewhere";
    case PieceState::missing:
      return "missing";
    case PieceState::wrongSize:
      return "wrong size";
    case PieceState::wrongChecksum:
      return "wrong checksum";
    case PieceState::otherPackage:
      return "from another package";
    case PieceState::notAPiece:
      return "not a split file";
    case PieceState::unreadable:
      return "unreadable";
  }
  return {};
}

std::string PieceStateDetail(const PieceReport& piece, const ShownText& shown) {
  std::string text = PieceStateText(piece.state);
  if (!piece.where.empty()) text += ": " + shown(piece.where);
  if (!piece.reason.empty()) text += ": " + shown(piece.reason);
  return text;
}

std::string ReportSummary(const PackageReport& report, const ShownText& shown) {
  const std::size_t count = report.pieces.size();
  std::string text = std::to_string(report.GoodCount()) + " of " + std::to_string(count) +
                     (count == 1 ? " data split file is good.\n" : " data split files are good.\n");
  std::string fetch;
  for (const PieceReport& piece : report.pieces) {
    if (piece.Good()) continue;
    fetch += (fetch.empty() ? "Fetch again: " : ", ") + shown(FileNamePart(piece.name));
  }
  if (!fetch.empty()) text += fetch + "\n";
  if (report.packageProblem) text += "The package: " + *report.packageProblem + "\n";
  if (report.earlyPackage) {
    text += "Made by an early version: only the presence, format and sizes were checked.\n";
  }
  return text;
}

std::string RecoveryLine(const RecoveryOutlook& outlook, std::string_view advice) {
  const auto bad = static_cast<std::uint32_t>(outlook.badNames.size());
  if (outlook.solvable) {
    return "The recovery files can rebuild " + Plural(bad, "bad file", "bad files") + " (" +
           Plural(outlook.spareVolumes, "volume", "volumes") +
           " to spare): " + std::string(advice) + ".\n";
  }
  return "The recovery files cannot rebuild the package: " +
         Plural(outlook.volumesNeeded, "more recovery volume is", "more recovery volumes are") +
         " needed.\n";
}

PackageCheck CheckPackage(OperationHost& host, const std::string& masterPath,
                          const std::vector<std::string>& searchFolders) {
  PackageCheck check;
  check.report = ReportPackage(host, masterPath, searchFolders);
  if (!check.report.AllGood()) {
    check.recovery = RecoveryOutlookFor(host, check.report, masterPath, searchFolders);
  }
  return check;
}
