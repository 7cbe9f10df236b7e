#include "ui/console/report_command.h"

#include "app/path_text.h"
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

// The same as one JSON document: each piece with its state, and the summary.
std::string ReportJson(const std::string& masterPath, const PackageReport& report) {
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
  return json.EndObject().Document();
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
  const ExitStatus status = RunOperation(host, context.prefs.beep, [&] {
    report = ReportPackage(host, masterPath, SearchFolders(context.arguments));
  });
  if (status != ExitStatus::done) return status;
  platform::WriteToStandardOutput(context.arguments.json ? ReportJson(masterPath, report)
                                                         : ReportText(report));
  return report.AllGood() ? ExitStatus::done : ExitStatus::damaged;
}
