#include "engine/split/splitter.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>

#include "base/exceptions.h"
#include "base/message_format.h"
#include "base/path_text.h"
#include "base/text_format.h"
#include "engine/checksum.h"
#include "engine/copy_data.h"
#include "engine/disk_space.h"
#include "engine/file64.h"
#include "engine/file_digest.h"
#include "engine/operation_host.h"
#include "engine/operation_state.h"
#include "engine/package_format.h"
#include "engine/package_manifest.h"
#include "engine/package_names.h"
#include "engine/recovery/par2_digest_queue.h"
#include "engine/recovery/recovery_writer.h"
#include "engine/split/split_plan.h"
#include "engine/split/split_recovery.h"
#include "engine/split/split_stub.h"
#include "engine/split/split_targets.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "platform/unicode.h"
#include "res/resource.h"

namespace {

// How long the split waits for the digest thread between looks at the window.
constexpr std::chrono::milliseconds kDigestWaitSlice{100};
// The files whose recovery digests the split may be ahead of: as many as stay in the system's
// cache until they are read back, in a quarter of the memory free when the split starts, and
// never fewer than are read side by side. Waiting for the digests sooner would leave a core idle.
constexpr std::size_t kLeastRecoveryDigestsBehind = 8;

std::size_t RecoveryDigestsBehind(std::uint64_t packageFileSize) {
  const std::uint64_t cached = platform::AvailablePhysicalMemory() / 4;
  return static_cast<std::size_t>(std::max<std::uint64_t>(
      kLeastRecoveryDigestsBehind, cached / std::max<std::uint64_t>(packageFileSize, 1)));
}

constexpr std::string_view kRecoveryNotWritten =
    "The package is complete, but its recovery files could not be written: ";

// How one attempt at writing a package file ended, when it raised nothing.
enum class Attempt { written, cancelled, stubUnreadable };

// The state of one split, from planning to the last piece.
class SplitRun {
 public:
  SplitRun(OperationHost& host, const std::string& sourcePath, const std::string& destinationPrefix,
           SplitOptions& options)
      : host_(host),
        sourcePath_(sourcePath),
        destinationPrefix_(destinationPrefix),
        options_(options) {}

  void Run();
  // The ending of a failed or aborted split, before its error passes on.
  void EndAfterFailure();

 private:
  void RefuseInvalidPrefix() const;
  void WarnWhenFixedDriveIsShort();
  void CheckTargets();
  void ConfirmOverwrites();
  void WriteMaster();
  Attempt WriteMasterOnce();
  void WritePieces();
  std::uint32_t WritePiece(std::uint32_t index);
  Attempt WritePieceOnce(std::uint32_t index, std::uint64_t start, std::uint32_t& pieceSum);
  bool CopyPieceData(CFile64& piece, std::uint32_t& pieceSum);
  void HandFileDigest(std::uint32_t index);
  bool WaitForFileDigests(std::size_t behind);
  bool WaitForRecoveryDigests(std::size_t behind);
  void WriteManifestFile();
  void PlanRecovery();
  void WriteRecovery();
  void WriteRecoveryAcrossDisks(const RecoveryProgress& progress,
                                const RecoveryDigestsElsewhere& digests);
  std::uint32_t RecoveryVolumesThatFit(std::uint32_t firstVolume, bool withIndex) const;
  void AskForRecoveryDisk(std::uint32_t volume, const CException& error);
  std::vector<RecoveryInput> PackageAsWritten() const;
  std::vector<std::string> StoredNames() const;
  void ThrowWhenShortOfSpace(std::uint32_t index, std::uint64_t needed) const;
  void RetryAfterSourceError(const CException& error);
  void RelocateAfterWriteError(const CException& error, std::uint32_t index);
  [[noreturn]] void Cancel(std::uint32_t index);

  OperationHost& host_;
  const std::string& sourcePath_;
  const std::string& destinationPrefix_;
  SplitOptions& options_;

  MasterHeader header_;
  StubRecord stub_;
  std::vector<std::string> names_;
  std::vector<std::string> staleFiles_;  // of an earlier package, removed once agreed
  std::optional<CopyBuffer> buffer_;
  CFile64 source_;
  PieceHeader piece_;
  std::uint64_t done_ = 0;         // source bytes stored in finished pieces
  std::uint32_t accumulator_ = 0;  // the weighted sum of the finished pieces
  bool masterCreated_ = false;
  bool keepFiles_ = false;  // the user chose to keep the files of a cancelled split
  std::optional<CFileException> stubOpenFailure_;
  // With a manifest: the original's digest so far, and each package file's once written.
  // Both are the digest thread's until it has finished.
  Sha256 original_;
  std::vector<Sha256Digest> fileDigests_;
  std::optional<CopyBuffer> readBackBuffer_;
  std::string manifestPath_;  // once the manifest is being written
  RecoveryLayout recovery_;   // no volumes without recovery files
  std::string recoveryPrefix_;
  std::vector<std::string> recoveryFiles_;  // those the split would write over
  // The recovery digests of the package files, taken as each is written.
  std::optional<Par2DigestQueue> recoveryDigests_;
  std::size_t recoveryDigestsBehind_ = kLeastRecoveryDigestsBehind;
  // What the package files were written from, for recovery files made once the package has
  // spread over disks: the master's bytes after the stub, and each piece's header and source run.
  std::vector<std::uint8_t> masterTail_;
  struct WrittenPiece {
    PieceHeaderBytes header;
    std::uint64_t start = 0;
    std::uint64_t size = 0;
  };
  std::vector<WrittenPiece> writtenPieces_;  // by index; the master's is empty
  // Reads each package file back once written, and takes its digest and the original's, while
  // the next file is written. Stopped first when the run ends, as it uses the members above.
  BackgroundWork fileDigestWork_;
};

void SplitRun::Run() {
  SetStatus(host_, 0, IDS_GATHERING_DATA, {FileNamePart(sourcePath_)});
  PlanSplit(sourcePath_, destinationPrefix_, options_, header_,
            options_.selfExtracting ? &stub_ : nullptr);
  RefuseInvalidPrefix();
  SetStatus(host_, kProgressUnchanged, IDS_PROCESSING_RESTRICTIONS);
  BuildPackageFileNames(header_, options_.selfExtracting, names_);
  PlanRecovery();
  WarnWhenFixedDriveIsShort();
  CheckTargets();
  if (options_.promptOnOverwrites) ConfirmOverwrites();
  DeletePackageFiles(staleFiles_);
  buffer_.emplace(AllocateCopyBuffer(header_.maxPieceDataSize));
  if (options_.writeManifest) {
    readBackBuffer_.emplace(AllocateCopyBuffer(kMaxCopyBufferSize));
    fileDigests_.resize(header_.fileCount);
  }
  SetStatus(host_, kProgressUnchanged, IDS_OPENING_FILE, {FileNamePart(sourcePath_)});
  source_.Open(sourcePath_, false);
  if (recovery_.volumeCount > 0) {
    recoveryDigests_.emplace(recovery_.sliceSize, header_.fileCount);
    recoveryDigestsBehind_ = RecoveryDigestsBehind(kPieceHeaderSize + header_.maxPieceDataSize);
  }
  piece_ = NewPieceHeader(0, 0);
  SetStatus(host_, kProgressUnchanged, IDS_PROCESSING_FILE, {FileNamePart(names_[0])});
  WriteMaster();
  WritePieces();
  source_.Close();
  if (!WaitForFileDigests(0)) Cancel(header_.fileCount);
  if (options_.writeManifest) WriteManifestFile();
  if (recovery_.volumeCount > 0) WriteRecovery();
  SetStatus(host_, 100);
  buffer_.reset();
  SetStatus(host_, 0, IDS_OPERATION_COMPLETED);
}

void SplitRun::EndAfterFailure() {
  if (host_.MainWindowExists()) SetStatus(host_, 0, IDS_OPERATION_NOT_COMPLETED);
  fileDigestWork_.Stop();
  if (recoveryDigests_) recoveryDigests_->Stop();
  buffer_.reset();
  if (masterCreated_ && !keepFiles_) DeletePackageFiles(names_);
  if (!manifestPath_.empty() && !keepFiles_) DeleteFileByName(manifestPath_);
}

// The package files are named after the prefix: a device name or a stream would take the data.
void SplitRun::RefuseInvalidPrefix() const {
  const std::string name = FileNamePart(destinationPrefix_);
  if (!name.empty() && !IsValidFileName(name)) {
    ThrowAppException(IDS_INVALID_FILE_NAME, {destinationPrefix_});
  }
}

// Only a fixed drive is checked before the split: removable media are met disk by disk.
void SplitRun::WarnWhenFixedDriveIsShort() {
  const std::string folder = FolderPart(header_.pathPrefix);
  if (!IsFixedDriveFolder(folder)) return;
  const std::optional<std::uint64_t> free = GetFreeSpaceAt(folder, true);
  const std::uint64_t estimate =
      EstimatePackageSize(header_.fileCount, header_.originalSize,
                          options_.selfExtracting ? stub_.size : 0) +
      std::uint64_t{recovery_.volumeCount} * RecoveryVolumeSize(recovery_, StoredNames());
  if (!free || *free >= estimate) return;
  const std::string question =
      LoadMessage(IDS_NOT_ENOUGH_SPACE_SPLIT,
                  {sourcePath_, FormatByteSize(estimate - *free), FormatByteSize(estimate)})
          .value_or("");
  if (host_.AskQuestion(question, kBoxYesNo | kBoxIconQuestion) != kButtonYes) ThrowUserAbort();
}

// Before anything is created or deleted: the files the split replaces or removes must not
// include its source or its stub.
void SplitRun::CheckTargets() {
  staleFiles_ = StalePackageFiles(header_, options_.selfExtracting);
  if (auto manifest = ManifestToReplace(header_, options_.writeManifest)) {
    staleFiles_.push_back(std::move(*manifest));
  }
  for (std::string& file : StaleRecoveryFiles(header_, recoveryFiles_)) {
    staleFiles_.push_back(std::move(file));
  }
  RefuseSourceAmong(sourcePath_, names_);
  RefuseSourceAmong(sourcePath_, recoveryFiles_);
  RefuseSourceAmong(sourcePath_, staleFiles_);
  if (options_.selfExtracting) {
    RefuseStubAmong(stub_.path, names_);
    RefuseStubAmong(stub_.path, staleFiles_);
  }
}

// One question covers the whole package, and the rest of an earlier one: it names the first
// file that exists.
void SplitRun::ConfirmOverwrites() {
  for (const std::vector<std::string>* files : {&names_, &recoveryFiles_, &staleFiles_}) {
    for (const std::string& name : *files) {
      if (ConfirmOverwrite(host_, name, IDS_CONFIRM_OVERWRITE_PACKAGE)) return;
    }
  }
}

void SplitRun::WriteMaster() {
  for (;;) {
    Attempt result;
    try {
      result = WriteMasterOnce();
    } catch (const CUserException&) {
      throw;
    } catch (const CException& error) {
      RelocateAfterWriteError(error, 0);
      continue;
    }
    if (result == Attempt::stubUnreadable) throw *stubOpenFailure_;
    if (result == Attempt::cancelled) Cancel(0);
    return;
  }
}

Attempt SplitRun::WriteMasterOnce() {
  const bool selfExtracting = options_.selfExtracting;
  ThrowWhenShortOfSpace(
      0, selfExtracting ? stub_.size + kSelfExtractingMasterOverhead : kMasterHeaderSize);
  CFile64 master;
  master.Open(names_[0], true);
  masterCreated_ = true;
  if (selfExtracting) {
    CFile64 stub;
    CFileException failure;
    if (!stub.Open(stub_.path, false, &failure)) {
      stubOpenFailure_ = failure;
      return Attempt::stubUnreadable;
    }
    // The stub is copied whole, without the progress bar, on its own count and sum.
    std::uint64_t copiedTotal = 0;
    std::uint32_t stubSum = 0;
    const std::uint64_t copied = CopyData(host_, {.source = stub,
                                                  .destination = master,
                                                  .count = stub_.size,
                                                  .buffer = *buffer_,
                                                  .operationTotal = stub_.size,
                                                  .runningTotal = copiedTotal,
                                                  .byteSum = stubSum,
                                                  .progressBar = ProgressBar::none});
    if (copied == kCopyCancelled) {
      master.Close();
      return Attempt::cancelled;
    }
    if (copied != stub_.size) ThrowAppException(IDS_DATA_CORRUPTION);
  }
  const MasterHeaderBytes header = EncodeMasterHeader(header_);
  master.Write(header.data(), static_cast<std::uint32_t>(header.size()));
  masterTail_.assign(header.begin(), header.end());
  if (selfExtracting) {
    // The trailer names the stub as the stub record holds it: 259 units at most.
    const TrailerBytes trailer = EncodeSelfExtractTrailer(NewSelfExtractTrailer(
        stub_.size, std::string(platform::Utf16Prefix(stub_.path, kMaxSourcePathChars))));
    master.Write(trailer.data(), static_cast<std::uint32_t>(trailer.size()));
    masterTail_.insert(masterTail_.end(), trailer.begin(), trailer.end());
  }
  master.Close();
  // The master is a program: whoever may read the package may run it.
  if (selfExtracting) platform::MarkExecutable(names_[0]);
  HandFileDigest(0);
  return Attempt::written;
}

void SplitRun::WritePieces() {
  for (std::uint32_t index = 1; index < header_.fileCount; ++index) {
    if (PollCancel(host_)) Cancel(index);
    SetStatus(host_, kProgressUnchanged, IDS_PROCESSING_FILE, {FileNamePart(names_[index])});
    // The digests may lag one file behind the writing; a file that could not be read back
    // ends the split.
    if (!WaitForFileDigests(1) || !WaitForRecoveryDigests(recoveryDigestsBehind_)) Cancel(index);
    const std::uint32_t pieceSum = WritePiece(index);
    accumulator_ = NextRunningChecksum(accumulator_, index, pieceSum);
  }
  // The plan's file count holds the whole source; anything else is a fault of this program.
  if (done_ != header_.originalSize) ThrowAppException(IDS_DATA_CORRUPTION);
}

// Writes piece `index` in full and returns its byte sum. A full disk or a failed write asks
// for another disk or folder and writes the piece again; a failed read of the source asks
// whether to try again. Every attempt starts from the piece's first source byte.
//
// The first piece is never made smaller to fill the disk that holds the master: the master
// already states the file count, so a smaller piece would leave the last bytes of the source
// out of the package. When the first piece does not fit beside the master, the user is asked
// for the next disk as for any later piece.
std::uint32_t SplitRun::WritePiece(std::uint32_t index) {
  piece_.pieceIndex = index;
  piece_.dataSize = std::min(header_.maxPieceDataSize, header_.originalSize - done_);
  const std::uint64_t start = done_;
  for (;;) {
    std::uint32_t pieceSum = 0;
    Attempt result;
    try {
      result = WritePieceOnce(index, start, pieceSum);
    } catch (const CUserException&) {
      throw;
    } catch (const CException& error) {
      const auto* fileError = dynamic_cast<const CFileException*>(&error);
      if (fileError != nullptr && fileError->fileName == sourcePath_) {
        RetryAfterSourceError(error);
      } else {
        RelocateAfterWriteError(error, index);
      }
      continue;
    }
    if (result == Attempt::cancelled) Cancel(index);
    return pieceSum;
  }
}

Attempt SplitRun::WritePieceOnce(std::uint32_t index, std::uint64_t start,
                                 std::uint32_t& pieceSum) {
  done_ = start;
  source_.SeekToBegin(start);
  ThrowWhenShortOfSpace(index, piece_.dataSize + kPieceHeaderSize);
  CFile64 piece;
  piece.Open(names_[index], true);
  // The header goes first with an empty sum and is completed once the data is written.
  piece_.pieceSum = 0;
  piece_.runningChecksum = accumulator_;
  const PieceHeaderBytes emptyHeader = EncodePieceHeader(piece_);
  piece.Write(emptyHeader.data(), static_cast<std::uint32_t>(emptyHeader.size()));
  if (!CopyPieceData(piece, pieceSum)) {
    piece.Close();
    return Attempt::cancelled;
  }
  piece_.pieceSum = pieceSum;
  piece_.runningChecksum = NextRunningChecksum(accumulator_, index, pieceSum);
  const PieceHeaderBytes header = EncodePieceHeader(piece_);
  // pieceSum and runningChecksum are adjacent.
  piece.SeekToBegin(kPieceSumOffset);
  piece.Write(header.data() + kPieceSumOffset, 2 * sizeof(std::uint32_t));
  piece.Close();
  if (recoveryDigests_) {
    writtenPieces_.resize(header_.fileCount);
    writtenPieces_[index] = {header, start, piece_.dataSize};
  }
  HandFileDigest(index);
  return Attempt::written;
}

// Copies the piece's data behind its header; false when the user cancelled.
bool SplitRun::CopyPieceData(CFile64& piece, std::uint32_t& pieceSum) {
  const std::uint64_t size = piece_.dataSize;
  const std::uint64_t copied = CopyData(host_, {.source = source_,
                                                .destination = piece,
                                                .count = size,
                                                .buffer = *buffer_,
                                                .operationTotal = header_.originalSize,
                                                .runningTotal = done_,
                                                .byteSum = pieceSum});
  if (copied == kCopyCancelled) return false;
  if (copied != size) ThrowAppException(IDS_DATA_CORRUPTION);
  return true;
}

// With a manifest: the digest of package file `index` as written, and of the original's bytes
// in it. A piece's header is completed only after its data has passed, and it comes first in
// the file, so the file is read back, from the system's cache as a rule, on the digest thread.
void SplitRun::HandFileDigest(std::uint32_t index) {
  if (recoveryDigests_) recoveryDigests_->Hand(index, names_[index]);
  if (!options_.writeManifest) return;
  Sha256* const original = index == 0 ? nullptr : &original_;
  fileDigestWork_.Hand([this, index, original, path = names_[index]] {
    const std::span<std::byte> buffer(readBackBuffer_->Data(), readBackBuffer_->Size());
    const std::optional<Sha256Digest> digest =
        DigestOfPackageFile(path, buffer, original, kPieceHeaderSize, fileDigestWork_);
    if (digest) fileDigests_[index] = *digest;
  });
}

// Waits until the digest thread is no more than `behind` files behind, which takes as long as
// hashing a whole piece, with the window live and the cancel button working meanwhile. False
// when the user cancelled.
bool SplitRun::WaitForFileDigests(std::size_t behind) {
  while (!fileDigestWork_.WaitUntilAtMost(behind, kDigestWaitSlice)) {
    if (PollCancel(host_) || host_.PumpMessages()) return false;
  }
  return true;
}

// The same for the recovery digests.
bool SplitRun::WaitForRecoveryDigests(std::size_t behind) {
  if (!recoveryDigests_) return true;
  while (!recoveryDigests_->WaitUntilAtMost(behind, kDigestWaitSlice)) {
    if (PollCancel(host_) || host_.PumpMessages()) return false;
  }
  return true;
}

// Beside the master, naming the files as they are named there, and the original by its name.
void SplitRun::WriteManifestFile() {
  manifestPath_ = ManifestPath(FolderPart(names_[0]) + FileNamePart(header_.pathPrefix));
  SetStatus(host_, kProgressUnchanged, IDS_CREATING_FILE, {FileNamePart(manifestPath_)});
  std::vector<ManifestLine> lines;
  for (std::uint32_t index = 0; index < header_.fileCount; ++index) {
    lines.push_back({fileDigests_[index], FileNamePart(names_[index])});
  }
  lines.push_back({original_.Finish(), FileNamePart(sourcePath_)});
  WriteManifest(manifestPath_, lines);
}

// The recovery files go beside the master, named after the package as the manifest is.
void SplitRun::PlanRecovery() {
  const std::uint64_t masterSize =
      options_.selfExtracting ? stub_.size + kSelfExtractingMasterOverhead : kMasterHeaderSize;
  recovery_ = PlanPackageRecovery(header_, masterSize, options_.recovery);
  if (recovery_.volumeCount == 0) return;
  recoveryPrefix_ = FolderPart(names_[0]) + FileNamePart(header_.pathPrefix);
  recoveryFiles_ = RecoveryVolumePaths(recoveryPrefix_, recovery_);
  recoveryFiles_.insert(recoveryFiles_.begin(), RecoveryIndexPath(recoveryPrefix_));
}

std::vector<std::string> SplitRun::StoredNames() const {
  std::vector<std::string> stored;
  for (const std::string& name : names_) stored.push_back(FileNamePart(name));
  return stored;
}

// Once the whole package is written, beside its last file, from the files read back from the
// system's cache as a rule. A cancel leaves no recovery file in the drive; a failure leaves the
// package, which is whole, and says so.
void SplitRun::WriteRecovery() {
  recoveryPrefix_ = FolderPart(names_.back()) + FileNamePart(header_.pathPrefix);
  SetStatus(host_, 0, IDS_RECOVERY_WRITING, {FileNamePart(RecoveryIndexPath(recoveryPrefix_))});
  const bool packageHere = std::ranges::all_of(
      names_, [](const std::string& name) { return platform::FileExists(name); });
  // The package is whole: spread over disks, the files still in the drive are kept, as the
  // question whether to delete them is asked only of a package that is all here.
  const auto cancel = [this, packageHere] {
    if (!packageHere) keepFiles_ = true;
    Cancel(header_.fileCount);
  };
  const auto progress = [this, &cancel](std::uint64_t done, std::uint64_t total) {
    SetStatus(host_, total == 0 ? 100 : static_cast<int>(done * 100 / total));
    if (PollCancel(host_)) cancel();
  };
  const RecoveryDigestsElsewhere digests(
      [this, &cancel] {
        if (!WaitForRecoveryDigests(0)) cancel();
        return recoveryDigests_->Finish();
      },
      [this](std::chrono::milliseconds timeout) {
        return recoveryDigests_->WaitUntilAtMost(0, timeout);
      });
  try {
    if (packageHere && RecoveryVolumesThatFit(0, true) == recovery_.volumeCount) {
      WriteRecoveryFiles(names_, recoveryPrefix_, recovery_, progress, digests);
    } else {
      WriteRecoveryAcrossDisks(progress, digests);
    }
  } catch (const CUserException&) {
    throw;
  } catch (const CException& error) {
    keepFiles_ = true;
    std::string reason;
    error.GetErrorMessage(reason, std::numeric_limits<std::size_t>::max());
    throw CAppException(std::string(kRecoveryNotWritten) + reason);
  }
}

// When the package has spread over disks, or its recovery files do not fit beside it, the files
// are read from what they were written from (those on the disks taken out are no longer at
// hand), and the volumes go after the last piece, each whole on one disk: as many as fit on the
// disk in the drive, then the next disk is asked for.
void SplitRun::WriteRecoveryAcrossDisks(const RecoveryProgress& progress,
                                        const RecoveryDigestsElsewhere& digests) {
  const std::vector<std::optional<Par2File>> taken = digests.take();
  const TakeRecoveryDigests known = [&taken] { return taken; };
  bool withIndex = true;
  // A disk that took fewer than it seemed to have room for sets the most for the next ones.
  std::uint32_t most = recovery_.volumeCount;
  for (std::uint32_t volume = 0; volume < recovery_.volumeCount;) {
    const std::uint32_t fit = std::min(RecoveryVolumesThatFit(volume, withIndex), most);
    const std::string firstPath = RecoveryVolumePaths(recoveryPrefix_, recovery_)[volume];
    if (fit == 0) {
      // As for a piece: the disk is labeled by the file's place in the package.
      const CAppException shortOfSpace(
          LoadMessage(IDS_NOT_ENOUGH_SPACE_DISK,
                      {firstPath, FormatInteger(header_.fileCount + volume)})
              .value_or(""));
      AskForRecoveryDisk(volume, shortOfSpace);
      continue;
    }
    try {
      WriteRecoveryFiles(PackageAsWritten(), recoveryPrefix_, recovery_, progress, known,
                         {.firstVolume = volume, .volumeEnd = volume + fit, .index = withIndex});
    } catch (const CUserException&) {
      throw;
    } catch (const CException& error) {
      most = std::max<std::uint32_t>(1, fit - 1);
      AskForRecoveryDisk(volume, error);
      continue;
    }
    volume += fit;
    withIndex = false;
  }
}

// Of the volumes from `firstVolume` on, those that fit whole on the disk of the recovery
// prefix, behind the index when it goes there too; all when the disk does not tell.
std::uint32_t SplitRun::RecoveryVolumesThatFit(std::uint32_t firstVolume, bool withIndex) const {
  const std::uint32_t left = recovery_.volumeCount - firstVolume;
  const std::optional<std::uint64_t> free = GetFreeSpaceAt(FolderPart(recoveryPrefix_), true);
  if (!free) return left;
  const std::vector<std::string> names = StoredNames();
  const std::uint64_t index = withIndex ? RecoveryIndexSize(recovery_, names) : 0;
  if (*free < index) return 0;
  const std::uint64_t volumes = (*free - index) / RecoveryVolumeSize(recovery_, names);
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(volumes, left));
}

// The next disk for volume `volume` after `error`; the prefix follows the folder chosen. The
// package is whole: a cancel here keeps it.
void SplitRun::AskForRecoveryDisk(std::uint32_t volume, const CException& error) {
  std::string path = RecoveryVolumePaths(recoveryPrefix_, recovery_)[volume];
  switch (RelocateAfterError(host_, path, error)) {
    case LocationAnswer::ok:
      recoveryPrefix_ = FolderPart(path) + FileNamePart(header_.pathPrefix);
      return;
    case LocationAnswer::pathTooLong:
      ThrowSystemError(platform::kErrorBufferOverflow);
    case LocationAnswer::cancel:
      break;
  }
  keepFiles_ = true;
  ThrowUserAbort();
}

// Each package file as the recovery writer reads it: from the files still at hand.
std::vector<RecoveryInput> SplitRun::PackageAsWritten() const {
  std::vector<RecoveryInput> inputs;
  RecoveryInput& master = inputs.emplace_back(FileNamePart(names_[0]));
  if (options_.selfExtracting) master.AddFileRun(stub_.path, 0, stub_.size);
  master.AddBytes(masterTail_.data(), masterTail_.size());
  for (std::uint32_t index = 1; index < header_.fileCount; ++index) {
    const WrittenPiece& piece = writtenPieces_.at(index);
    RecoveryInput& input = inputs.emplace_back(FileNamePart(names_[index]));
    input.AddBytes(piece.header.data(), piece.header.size());
    input.AddFileRun(sourcePath_, piece.start, piece.size);
  }
  return inputs;
}

// Raises 1140 for package file `index` when its folder is known to have less room than it
// needs; the disk label is the file's index.
void SplitRun::ThrowWhenShortOfSpace(std::uint32_t index, std::uint64_t needed) const {
  const std::optional<std::uint64_t> free = GetFreeSpaceAt(names_[index], false);
  if (free && *free < needed) {
    ThrowAppException(IDS_NOT_ENOUGH_SPACE_DISK, {names_[index], FormatInteger(index)});
  }
}

void SplitRun::RetryAfterSourceError(const CException& error) {
  std::string text;
  error.GetErrorMessage(text, std::numeric_limits<std::size_t>::max());
  if (host_.AskQuestion(text, kBoxRetryCancel | kBoxIconQuestion) != kButtonRetry) {
    ThrowUserAbort();
  }
}

// After OK the file is written again in the chosen folder, or on the disk just inserted.
void SplitRun::RelocateAfterWriteError(const CException& error, std::uint32_t index) {
  // The files written so far are read back before the user changes the disk.
  if (!WaitForFileDigests(0) || !WaitForRecoveryDigests(0)) Cancel(index);
  // The disk taken out keeps whole files of this package only: not the part of the file that
  // failed, nor the files of an earlier package under the names still to be written.
  DeletePackageFiles({names_.begin() + index, names_.end()});
  std::vector<std::string> before = names_;
  switch (RelocatePackage(host_, names_, error)) {
    case LocationAnswer::ok:
      // The chosen folder may hold the source under a package name.
      try {
        RefuseSourceAmong(sourcePath_, names_);
      } catch (const CException&) {
        names_ = std::move(before);
        throw;
      }
      if (platform::FileExists(names_[index])) DeleteFileByName(names_[index]);
      return;
    case LocationAnswer::pathTooLong:
      ThrowSystemError(platform::kErrorBufferOverflow);
    case LocationAnswer::cancel:
      break;
  }
  ThrowUserAbort();
}

// The user cancelled while package file `index` was written. The delete question is asked
// only when every earlier file is here; when one is missing it is on another disk.
void SplitRun::Cancel(std::uint32_t index) {
  fileDigestWork_.Stop();
  if (recoveryDigests_) recoveryDigests_->Stop();
  const bool earlierFilesHere =
      std::all_of(names_.begin(), names_.begin() + index,
                  [](const std::string& name) { return platform::FileExists(name); });
  if (earlierFilesHere) {
    const std::string question = LoadMessage(IDS_DELETE_SPLIT_FILES).value_or("");
    if (host_.AskQuestion(question, kBoxYesNo | kBoxIconQuestion) == kButtonYes) {
      DeletePackageFiles(names_);
    } else {
      keepFiles_ = true;
    }
  }
  ThrowUserAbort();
}

}  // namespace

void Splitter::Split(OperationHost& host, const std::string& sourcePath,
                     const std::string& destinationPrefix, SplitOptions& options) {
  SplitRun run(host, sourcePath, destinationPrefix, options);
  try {
    run.Run();
  } catch (...) {
    run.EndAfterFailure();
    throw;
  }
}

void DeletePackageFiles(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (platform::FileExists(name)) DeleteFileByName(name);
  }
}
