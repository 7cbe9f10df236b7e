#include "ui/console/report_command.h"

#include "app/path_text.h"
#include "engine/merge/package_recovery.h"
#include "platform/console.h"
#include "ui/console/console_terminal.h"
#include "ui/console/json_writer.h"
#include "ui/console/merge_request.h"
#include "ui/console/operation_run.h"
#include "ui/console/terminal_text.h"

namespace {

std::string StateText(const PieceReport& piece) {
  switch (piece.state) {
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

// The piece's file, its state, and the file elsewhere or the reason the state is about.
std::string PieceLine(const PieceReport& piece) {
  std::string line = EscapeForTerminal(FileNamePart(piece.name)) + ": " + StateText(piece);
  if (!piece.where.empty()) line += ": " + EscapeForTerminal(piece.where);
  if (!piece.reason.empty()) line += ": " + EscapeForTerminal(piece.reason);
  return line + "\n";
}

std::string Summary(const PackageReport& report) {
  const std::size_t count = report.pieces.size();
  std::string text = std::to_string(report.GoodCount()) + " of " + std::to_string(count) +
                     (count == 1 ? " data split file is good.\n" : " data split files are good.\n");
  std::string fetch;
  for (const PieceReport& piece : report.pieces) {
    if (piece.Good()) continue;
    fetch += (fetch.empty() ? "Fetch again: " : ", ") + EscapeForTerminal(FileNamePart(piece.name));
  }
  if (!fetch.empty()) text += fetch + "\n";
  if (report.packageProblem) text += "The package: " + *report.packageProblem + "\n";
  if (report.earlyPackage) {
    text += "Made by an early version: only the presence, format and sizes were checked.\n";
  }
  return text;
}

std::string Plural(std::uint32_t count, const std::string& one, const std::string& many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// After the list: whether the recovery files can rebuild what is bad.
std::string RecoveryLine(const RecoveryOutlook& outlook) {
  const auto bad = static_cast<std::uint32_t>(outlook.badNames.size());
  if (outlook.solvable) {
    return "The recovery files can rebuild " + Plural(bad, "bad file", "bad files") + " (" +
           Plural(outlook.spareVolumes, "volume", "volumes") +
           " to spare): run repair, or merge.\n";
  }
  return "The recovery files cannot rebuild the package: " +
         Plural(outlook.volumesNeeded, "more recovery volume is", "more recovery volumes are") +
         " needed.\n";
}

void WriteRecoveryJson(JsonWriter& json, const std::optional<RecoveryOutlook>& outlook) {
  json.Key("recovery");
  if (!outlook) {
    json.Null();
    return;
  }
  json.BeginObject();
  json.Key("repairable").Bool(outlook->solvable);
  json.Key("rebuilds").BeginArray();
  for (const std::string& name : outlook->badNames) json.String(name);
  json.EndArray();
  json.Key("missing_slices").Number(outlook->check.missingSlices);
  json.Key("recovery_slices").Number(outlook->check.recoverySlices);
  json.Key("spare_volumes").Number(outlook->spareVolumes);
  json.Key("volumes_needed").Number(outlook->volumesNeeded);
  json.EndObject();
}

// The same as one JSON document: each piece with its state, and the summary.
std::string ReportJson(const std::string& masterPath, const PackageReport& report,
                       const std::optional<RecoveryOutlook>& recovery) {
  JsonWriter json;
  json.BeginObject();
  json.Key("master").String(masterPath);
  json.Key("result").String(report.AllGood() ? "ok" : "damaged");
  json.Key("pieces").BeginArray();
  for (const PieceReport& piece : report.pieces) {
    json.BeginObject();
    json.Key("file").String(piece.name);
    json.Key("state").String(StateText(piece));
    json.Key("where");
    piece.where.empty() ? json.Null() : json.String(piece.where);
    json.Key("reason");
    piece.reason.empty() ? json.Null() : json.String(piece.reason);
    json.EndObject();
  }
  json.EndArray();
  json.Key("good_count").Number(report.GoodCount());
  json.Key("fetch_again").BeginArray();
  for (const PieceReport& piece : report.pieces) {
    if (!piece.Good()) json.String(piece.name);
  }
  json.EndArray();
  json.Key("package_problem");
  report.packageProblem ? json.String(*report.packageProblem) : json.Null();
  json.Key("early_package").Bool(report.earlyPackage);
  WriteRecoveryJson(json, recovery);
  return json.EndObject().Document();
}

// Read with the progress shown, as the report was.
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

std::string ReportText(const PackageReport& report) {
  std::string text;
  for (const PieceReport& piece : report.pieces) text += PieceLine(piece);
  return text + Summary(report);
}

ExitStatus RunReport(ConsoleContext& context, const std::string& masterPath) {
  ConsoleHost host(SystemTerminal(), context.programName, context.arguments.answer,
                   context.arguments.quiet);
  PackageReport report;
  std::optional<RecoveryOutlook> recovery;
  const ExitStatus status = RunOperation(host, context.prefs.beep, [&] {
    const std::vector<std::string> folders = SearchFolders(context.arguments);
    report = ReportPackage(host, masterPath, folders);
    if (!report.AllGood()) recovery = RecoveryOutlookFor(host, report, masterPath, folders);
  });
  if (status != ExitStatus::done) return status;
  if (context.arguments.json) {
    platform::WriteToStandardOutput(ReportJson(masterPath, report, recovery));
  } else {
    platform::WriteToStandardOutput(ReportText(report) +
                                    (recovery ? RecoveryLine(*recovery) : std::string()));
  }
  return report.AllGood() ? ExitStatus::done : ExitStatus::damaged;
}
