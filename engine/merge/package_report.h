#pragma once
// The damage report of a package: every piece read once and judged on its own, so that one
// bad piece does not hide the others. Nothing is written and nothing is asked; the user learns
// which pieces are good and which to fetch again.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "engine/operation_host.h"

enum class PieceState {
  ok,              // beside the master, whole and of this package
  foundElsewhere,  // not good beside the master, good in a search folder
  missing,
  wrongSize,      // shorter than its header says, or shorter than any header
  wrongChecksum,  // its data does not add up to the sum its header carries
  otherPackage,   // a piece, but not this one of this package
  notAPiece,      // no piece header at its start
  unreadable,     // it could not be opened or read
};

struct PieceReport {
  std::string name;  // where the piece belongs: its file beside the master
  PieceState state = PieceState::missing;
  std::string where;   // a file in a search folder that the state is about; empty for `name`
  std::string reason;  // why it could not be read

  bool Good() const { return state == PieceState::ok || state == PieceState::foundElsewhere; }
};

struct PackageReport {
  std::vector<PieceReport> pieces;  // piece 1 first
  // The earliest packages carry no sums of their pieces: only presence, form and size count.
  bool earlyPackage = false;
  // What is wrong with the pieces together when each one is good on its own.
  std::optional<std::string> packageProblem;

  std::size_t GoodCount() const;
  bool AllGood() const;
};

// Reads the master (its errors are raised as a merge raises them), then each piece once: the
// file beside the master, and when that is not good, the files of its name in the search
// folders until one is. The cancel question of Ctrl-C is the only one asked.
PackageReport ReportPackage(OperationHost& host, const std::string& masterPath,
                            const std::vector<std::string>& searchFolders);
