#include "ui/console/report_command.h"

#include "base/path_text.h"
#include "platform/console.h"
#include "ui/console/json_writer.h"
#include "ui/console/merge_request.h"
#include "ui/console/operation_run.h"
#include "ui/console/terminal.h"
#include "ui/console/terminal_text.h"
#include "ui/package_report_text.h"

namespace {

// The piece's file, its state, and the file elsewhere or the reason the state is about.
std::string PieceLine(const PieceReport& piece) {
  return EscapeForTerminal(FileNamePart(piece.name)) + ": " +
         PieceStateDetail(piece, EscapeForTerminal) + "\n";
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
    json.Key("state").String(PieceStateText(piece.state));
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

}  // namespace

std::string ReportText(const PackageReport& report) {
  std::string text;
  for (const PieceReport& piece : report.pieces) text += PieceLine(piece);
  return text + ReportSummary(report, EscapeForTerminal);
}

ExitStatus RunReport(ConsoleContext& context, const std::string& masterPath) {
  ConsoleHost host(SystemTerminal(), context.programName, context.arguments.answer,
                   context.arguments.quiet);
  PackageCheck check;
  const ExitStatus status = RunOperation(host, context.prefs.beep, [&] {
    check = CheckPackage(host, masterPath, SearchFolders(context.arguments));
  });
  const PackageReport& report = check.report;
  const std::optional<RecoveryOutlook>& recovery = check.recovery;
  if (status != ExitStatus::done) return status;
  if (context.arguments.json) {
    platform::WriteToStandardOutput(ReportJson(masterPath, report, recovery));
  } else {
    platform::WriteToStandardOutput(
        ReportText(report) +
        (recovery ? RecoveryLine(*recovery, "run repair, or merge") : std::string()));
  }
  return report.AllGood() ? ExitStatus::done : ExitStatus::damaged;
}
