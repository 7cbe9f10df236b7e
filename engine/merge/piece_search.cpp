#include "engine/merge/piece_search.h"

#include "base/exceptions.h"
#include "engine/checksum.h"
#include "engine/file64.h"
#include "engine/package_reading.h"
#include "platform/files.h"

namespace {

bool SameGeneration(const MasterHeader& master, const PieceHeader& piece) {
  const bool currentMaster = master.headerSize == kMasterHeaderSize;
  return currentMaster == (piece.headerSize == kPieceHeaderSize);
}

}  // namespace

bool PieceFitsPackage(const MasterHeader& master, std::uint32_t index, const PieceHeader& piece,
                      std::optional<std::uint32_t> previousRunning) {
  if (!SameGeneration(master, piece) || piece.dataSize > master.maxPieceDataSize) return false;
  if (piece.headerSize == kPieceHeaderSize && piece.pieceIndex != index) return false;
  if (!previousRunning) return true;
  const std::uint32_t running = NextRunningChecksum(*previousRunning, index, piece.pieceSum);
  if (master.version >= kEarlyVersion2) return running == piece.runningChecksum;
  // The generation before keeps the package total in the master.
  const bool last = index + 1 == master.fileCount;
  return !last || master.version < kEarlyVersion1_2 || running == master.checksum;
}

std::vector<std::string> PiecesNamedIn(const std::vector<std::string>& folders,
                                       const std::string& fileName) {
  std::vector<std::string> found;
  for (const std::string& folder : folders) {
    const std::optional<std::string> inFolder = platform::FolderQueryPath(folder);
    if (!inFolder) continue;
    const std::string path = *inFolder + fileName;
    if (platform::FileExists(path)) found.push_back(path);
  }
  return found;
}

std::optional<PieceHeader> PieceHeaderOf(const std::string& path) {
  try {
    CFile64 file;
    file.Open(path, false);
    return ReadPieceHeader(file);
  } catch (const CException&) {
    return std::nullopt;
  }
}
