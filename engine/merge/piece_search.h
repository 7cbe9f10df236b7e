#pragma once
// Pieces that do not lie beside the master: the folders the user names are searched by the
// piece's file name, and a file found there is taken only when its header shows that it is
// that piece of this package.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/package_format.h"

// Whether a piece header fits the place of piece `index` (1 for the first) in the package:
// the master's generation of the records, the index the current form carries, no more data
// than the package allows, and the package's check values. `previousRunning` is the running
// checksum of the piece before it, when that piece is known to be of this package; it must
// lead to this piece's own running checksum, and for a package that keeps its total in the
// master, the last piece must reach that total.
bool PieceFitsPackage(const MasterHeader& master, std::uint32_t index, const PieceHeader& piece,
                      std::optional<std::uint32_t> previousRunning);

// The files named `fileName` in the search folders, in the order the folders were given,
// those that exist.
std::vector<std::string> PiecesNamedIn(const std::vector<std::string>& folders,
                                       const std::string& fileName);

// The header at the start of a piece file, or nothing when it cannot be opened or read or
// is no piece header.
std::optional<PieceHeader> PieceHeaderOf(const std::string& path);
