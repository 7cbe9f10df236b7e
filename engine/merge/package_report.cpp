#include "engine/merge/package_report.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "base/exceptions.h"
#include "base/message_format.h"
#include "base/path_text.h"
#include "engine/checksum.h"
#include "engine/copy_data.h"
#include "engine/disk_space.h"
#include "engine/file64.h"
#include "engine/merge/piece_search.h"
#include "engine/operation_state.h"
#include "engine/package_names.h"
#include "engine/package_reading.h"
#include "res/resource.h"

namespace {

// Whose running checksums the pieces read so far continue, as far as their headers tell.
enum class Chain { unknown, ours, theirs };

// One file judged as a piece, with its header when it has one of this package's form.
struct Judgement {
  PieceState state = PieceState::missing;
  std::optional<PieceHeader> header;
  std::string reason;
};

class ReportRun {
 public:
  ReportRun(OperationHost& host, const std::string& masterPath,
            const std::vector<std::string>& searchFolders)
      : host_(host), masterPath_(masterPath), searchFolders_(searchFolders) {}

  PackageReport Run();

 private:
  void LoadMaster();
  PieceReport ReportPiece(std::uint32_t index);
  Judgement Judge(const std::string& path, std::uint32_t index);
  Judgement JudgeOpenPiece(CFile64& file, std::uint32_t index);
  bool FitsHere(std::uint32_t index, const PieceHeader& piece) const;
  PieceState StateOfData(CFile64& file, const PieceHeader& piece);
  void FollowChain(std::uint32_t index, const Judgement& judgement);
  std::optional<std::string> ProblemOfWhole() const;

  OperationHost& host_;
  const std::string masterPath_;
  const std::vector<std::string>& searchFolders_;
  MasterHeader header_;
  bool selfExtracting_ = false;
  std::vector<std::string> names_;
  std::optional<CopyBuffer> buffer_;
  CFile64 nowhere_;              // the copy routine's destination, never written
  std::uint64_t processed_ = 0;  // data bytes read so far, for the progress
  std::uint64_t dataTotal_ = 0;  // data bytes of the pieces taken
  Chain chain_ = Chain::ours;    // before piece 1 the running checksum is 0 by definition
  std::uint32_t running_ = 0;
};

PackageReport ReportRun::Run() {
  LoadMaster();
  PackageReport report;
  report.earlyPackage = header_.version < kEarlyVersion1_2;
  for (std::uint32_t index = 1; index < header_.fileCount; ++index) {
    if (PollCancel(host_)) ThrowUserAbort();
    report.pieces.push_back(ReportPiece(index));
  }
  // The whole time and rate, with no word of completion: the report tells how it went.
  SetStatus(host_, 100);
  SetStatus(host_, 0);
  if (report.AllGood()) report.packageProblem = ProblemOfWhole();
  return report;
}

void ReportRun::LoadMaster() {
  SetStatus(host_, 0, IDS_PROCESSING_FILE, {FileNamePart(masterPath_)});
  LoadMasterFile(masterPath_, header_, selfExtracting_);
  header_.pathPrefix = PathPrefixBesideMaster(masterPath_, header_);
  if (header_.maxPieceDataSize > kMaxSplitFileSize) ThrowMemoryError();
  buffer_.emplace(AllocateCopyBuffer(header_.maxPieceDataSize));
  BuildPackageFileNames(header_, selfExtracting_, names_);
}

// The file beside the master; when it is not good, the first good file of its name in the
// search folders. A missing piece is told by what was found in its place elsewhere.
PieceReport ReportRun::ReportPiece(std::uint32_t index) {
  PieceReport report{names_[index], PieceState::missing, {}, {}};
  Judgement judged = Judge(names_[index], index);
  if (judged.state != PieceState::ok) {
    for (const std::string& path : PiecesNamedIn(searchFolders_, FileNamePart(names_[index]))) {
      if (platform::IsSameFile(path, names_[index])) continue;
      Judgement elsewhere = Judge(path, index);
      const bool good = elsewhere.state == PieceState::ok;
      if (!good && judged.state != PieceState::missing) continue;
      report.where = path;
      judged = std::move(elsewhere);
      if (good) {
        judged.state = PieceState::foundElsewhere;
        break;
      }
    }
  }
  report.state = judged.state;
  report.reason = judged.reason;
  FollowChain(index, judged);
  return report;
}

Judgement ReportRun::Judge(const std::string& path, std::uint32_t index) {
  if (!platform::FileExists(path)) return {};
  try {
    CFile64 file;
    file.Open(path, false);
    return JudgeOpenPiece(file, index);
  } catch (const CFileException& error) {
    return {PieceState::unreadable, std::nullopt, ReasonOf(error)};
  }
}

// The header first, so that a piece of the wrong package or size is not read through.
Judgement ReportRun::JudgeOpenPiece(CFile64& file, std::uint32_t index) {
  const std::uint64_t length = file.Length();
  if (length < kEarlyPieceHeaderSize) return {PieceState::wrongSize, std::nullopt, {}};
  PieceHeader piece;
  try {
    piece = ReadPieceHeader(file);
  } catch (const CAppException&) {
    return {PieceState::notAPiece, std::nullopt, {}};
  }
  if (!FitsHere(index, piece)) return {PieceState::otherPackage, piece, {}};
  if (length - piece.headerSize < piece.dataSize) return {PieceState::wrongSize, piece, {}};
  return {StateOfData(file, piece), piece, {}};
}

// A piece that continues the running checksums of another package's piece before it is of
// that package too.
bool ReportRun::FitsHere(std::uint32_t index, const PieceHeader& piece) const {
  const std::optional<std::uint32_t> previous =
      chain_ == Chain::ours ? std::optional(running_) : std::nullopt;
  if (!PieceFitsPackage(header_, index, piece, previous)) return false;
  return chain_ != Chain::theirs ||
         NextRunningChecksum(running_, index, piece.pieceSum) != piece.runningChecksum;
}

PieceState ReportRun::StateOfData(CFile64& file, const PieceHeader& piece) {
  file.SeekToBegin(piece.headerSize);
  std::uint32_t sum = 0;
  // The report goes on past pieces that overrun the original size.
  const std::uint64_t total = std::max(header_.originalSize, processed_ + piece.dataSize);
  const std::uint64_t read = CopyData(host_, {.source = file,
                                              .destination = nowhere_,
                                              .count = piece.dataSize,
                                              .buffer = *buffer_,
                                              .operationTotal = total,
                                              .runningTotal = processed_,
                                              .byteSum = sum,
                                              .verifyOnly = true});
  if (read == kCopyCancelled) ThrowUserAbort();
  if (read != piece.dataSize) return PieceState::wrongSize;
  if (header_.version >= kEarlyVersion1_2 && sum != piece.pieceSum) {
    return PieceState::wrongChecksum;
  }
  return PieceState::ok;
}

// The next piece is checked against this one's running checksum when its header is ours, and
// against another package's when it is theirs. A damaged piece whose header fits still tells
// its place in the chain; without a header the chain is lost until a header can be trusted.
void ReportRun::FollowChain(std::uint32_t index, const Judgement& judgement) {
  const bool good =
      judgement.state == PieceState::ok || judgement.state == PieceState::foundElsewhere;
  if (good) dataTotal_ += judgement.header->dataSize;
  if (!judgement.header) {
    chain_ = Chain::unknown;
    return;
  }
  const PieceHeader& piece = *judgement.header;
  const bool ours = judgement.state != PieceState::otherPackage;
  if (header_.version >= kEarlyVersion2) {
    chain_ = ours ? Chain::ours : Chain::theirs;
    running_ = piece.runningChecksum;
  } else if (chain_ == Chain::ours && ours) {
    running_ = NextRunningChecksum(running_, index, piece.pieceSum);
  } else {
    chain_ = Chain::unknown;
  }
}

// Every piece good on its own: the sizes must still add up to the original file's.
std::optional<std::string> ReportRun::ProblemOfWhole() const {
  if (dataTotal_ == header_.originalSize) return std::nullopt;
  return LoadMessage(IDS_SIZES_MISMATCH).value_or("");
}

}  // namespace

std::size_t PackageReport::GoodCount() const {
  return static_cast<std::size_t>(std::ranges::count_if(pieces, &PieceReport::Good));
}

bool PackageReport::AllGood() const { return GoodCount() == pieces.size() && !packageProblem; }

PackageReport ReportPackage(OperationHost& host, const std::string& masterPath,
                            const std::vector<std::string>& searchFolders) {
  return ReportRun(host, masterPath, searchFolders).Run();
}
