#include "ui/report_view.h"

#include <algorithm>

#include "base/path_text.h"

namespace {

std::string AsShown(std::string_view text) { return std::string(text); }

bool Rebuildable(const PackageCheck& check, const std::string& name) {
  return check.recovery && check.recovery->solvable &&
         std::ranges::find(check.recovery->badNames, name) != check.recovery->badNames.end();
}

std::string RowState(const PackageCheck& check, const PieceReport& piece) {
  if (piece.state == PieceState::ok) return "good";
  std::string state = PieceStateDetail(piece, AsShown);
  if (Rebuildable(check, FileNamePart(piece.name)))
    state += "; can be rebuilt from the recovery files";
  return state;
}

}  // namespace

std::string ReportView::Text() const {
  std::string text = "Package: " + master + "\n" + (why.empty() ? "" : why + "\n") + "\n";
  for (const ReportRow& row : rows) {
    text += row.file + " (disk " + row.disk + "): " + row.state + "\n";
  }
  return text + "\n" + summary;
}

ReportView MakeReportView(const std::string& masterPath, const PackageCheck& check,
                          const std::string& why) {
  ReportView view;
  view.master = masterPath;
  view.why = why;
  for (std::size_t index = 0; index < check.report.pieces.size(); ++index) {
    const PieceReport& piece = check.report.pieces[index];
    view.rows.push_back(
        {FileNamePart(piece.name), std::to_string(index + 1), RowState(check, piece)});
  }
  view.summary = ReportSummary(check.report, AsShown);
  if (check.recovery) view.summary += RecoveryLine(*check.recovery, "Merge rebuilds them");
  return view;
}
