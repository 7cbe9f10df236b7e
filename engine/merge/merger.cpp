#include "engine/merge/merger.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "base/exceptions.h"
#include "base/message_format.h"
#include "base/path_text.h"
#include "base/text_format.h"
#include "engine/checksum.h"
#include "engine/copy_data.h"
#include "engine/disk_space.h"
#include "engine/file64.h"
#include "engine/merge/loaded_module.h"
#include "engine/merge/package_recovery.h"
#include "engine/merge/package_report.h"
#include "engine/merge/piece_digests_ahead.h"
#include "engine/merge/piece_search.h"
#include "engine/merge/temporary_file.h"
#include "engine/operation_host.h"
#include "engine/operation_state.h"
#include "engine/package_manifest.h"
#include "engine/package_names.h"
#include "engine/package_reading.h"
#include "engine/recovery/crc32.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "res/resource.h"

namespace {

// A reader refuses more data bytes per piece than the writer's largest split file size.
constexpr std::uint64_t kMaxPieceDataSize = kMaxSplitFileSize;
// The pieces that the digests taken ahead of the merge may hold in the system's cache at once:
// the two the merge is in and the two after them.
constexpr std::uint64_t kPiecesDigestedAhead = 4;

[[noreturn]] void RaiseCorruption(unsigned detailId) {
  ThrowAppException(IDS_CORRUPTION_WARNING, {LoadMessage(detailId).value_or("")});
}

constexpr std::string_view kPieceFoundElsewhere = "Using %2 for %1.";
constexpr std::string_view kPackageKept = "%1 is complete, but the package was kept: ";
constexpr std::string_view kNotThisPiece =
    "%1 is not data split file #%2 of this package; it is not used.";

bool IsUserAbort(const CException& error) {
  return dynamic_cast<const CUserException*>(&error) != nullptr;
}

// The working state of one merge call, from the master to the completion status.
class MergeRun {
 public:
  MergeRun(OperationHost& host, const std::string& masterPath, const std::string& destinationPath,
           const MergeOptions& options)
      : host_(host),
        masterPath_(masterPath),
        destination_(destinationPath),
        options_(options),
        verifying_(options.verifyOnly) {}

  void Run();
  const std::vector<std::string>& Rebuilt() const { return rebuiltNames_; }
  // After any error: the status says so and a partial merged file is removed.
  void Abandon();

 private:
  void LoadMaster();
  void EnsureFreeSpace();
  void CheckFreeSpace() const;
  void PrepareNames();
  void LoadManifest();
  void StartDigestsAhead();
  bool DigestedAhead(std::uint32_t index);
  bool StartPieceDigest(CFile64& piece, const PieceHeader& header, Sha256& digest,
                        std::uint32_t& crc) const;
  bool MatchesDigestTakenAhead(std::uint32_t index, std::uint32_t crc, std::uint64_t length);
  void CheckPieceDigest(std::uint32_t index, bool whole, bool matches) const;
  void RefuseMergedFileInPackage();
  bool IsDestination(const std::string& path) { return destinationMatch_->Matches(path); }
  void CreateMergedFile();
  void MergePiece(std::uint32_t index);
  void CopyPiece(std::uint32_t index);
  void CheckPiece(std::uint32_t index, const PieceHeader& piece, std::uint64_t copied,
                  std::uint32_t sum);
  void RewindTo(std::uint64_t processed, std::uint32_t running, std::uint64_t mergedLength);
  bool TakePieceFoundElsewhere(std::uint32_t index);
  bool TakePiecesFromRecovery();
  void RebuildPieces();
  void AskForPiece(std::uint32_t index, const CException& error);
  void CheckTotals();
  std::uint32_t SampleSumOfMergedFile() const;
  void PutMergedFileInPlace();
  void DeletePackage() const;

  OperationHost& host_;
  const std::string masterPath_;
  std::string destination_;
  MergeOptions options_;  // the search folders grow with the folders the user gives
  const bool verifying_;

  MasterHeader header_;
  bool selfExtracting_ = false;
  std::vector<std::string> names_;
  std::vector<std::string> besideMaster_;  // the package's files where the split put them
  std::optional<CopyBuffer> buffer_;
  std::optional<platform::SameFileMatcher> destinationMatch_;
  CFile64 merged_;               // written under the temporary name, its errors naming the target
  std::string temporary_;        // the merged file's name until it is put in place
  std::uint64_t processed_ = 0;  // data bytes of all pieces so far
  std::uint32_t running_ = 0;    // running checksum built from the pieces' stored sums
  std::uint32_t expected_ = 0;   // the package check value
  // With a manifest beside the master: its digests of the pieces (by index) and of the
  // original, and the digest of the merged data so far.
  std::string manifestPath_;
  std::vector<std::optional<Sha256Digest>> pieceDigests_;
  std::optional<Sha256Digest> originalDigest_;
  Sha256 mergedDigest_;
  std::unique_ptr<PieceDigestsAhead> digestsAhead_;
  std::vector<bool> aheadTried_;  // by index: the digest taken ahead was used or passed over
  // The recovery files are looked for once, when a piece first fails.
  bool recoveryTried_ = false;
  std::optional<PackageRecovery> recovery_;
  std::vector<bool> rebuilt_;        // by package index
  TemporaryFiles rebuiltFiles_;      // the pieces rebuilt from the recovery files
  bool verifiedByRecovery_ = false;  // verify: every bad piece can be rebuilt
  std::vector<std::string> rebuiltNames_;
};

void MergeRun::Run() {
  LoadMaster();
  if (!verifying_) EnsureFreeSpace();
  PrepareNames();
  LoadManifest();
  if (!verifying_) {
    RefuseMergedFileInPackage();
    if (options_.promptOnOverwrite) {
      ConfirmOverwrite(host_, destination_, IDS_CONFIRM_OVERWRITE_FILE);
    }
  }
  SetStatus(host_, kProgressUnchanged, IDS_CREATING_FILE, {FileNamePart(destination_)});
  if (!verifying_) CreateMergedFile();
  expected_ = header_.checksum;
  StartDigestsAhead();
  for (std::uint32_t index = 1; index < header_.fileCount && !verifiedByRecovery_; ++index) {
    if (PollCancel(host_)) ThrowUserAbort();
    MergePiece(index);
  }
  // Its files closed before any is removed.
  digestsAhead_.reset();
  if (!verifiedByRecovery_) CheckTotals();
  buffer_.reset();
  if (verifying_) {
    SetStatus(host_, 0, IDS_OPERATION_COMPLETED);
    return;
  }
  PutMergedFileInPlace();
  rebuiltFiles_.RemoveAll();
  if (options_.deleteWhenDone) DeletePackage();
  SetStatus(host_, 0, IDS_OPERATION_COMPLETED);
}

void MergeRun::Abandon() {
  digestsAhead_.reset();
  try {
    if (host_.MainWindowExists()) SetStatus(host_, 0, IDS_OPERATION_NOT_COMPLETED);
  } catch (const CException&) {
    // The error that ended the merge is the one to report.
  }
  buffer_.reset();
  rebuiltFiles_.RemoveAll();
  if (temporary_.empty()) return;
  try {
    if (merged_.IsOpen()) merged_.Close();
  } catch (const CException&) {
    // Removing the partial file matters more than how its close went.
  }
  DeleteFileByName(temporary_);
}

void MergeRun::LoadMaster() {
  SetStatus(host_, 0, IDS_PROCESSING_FILE, {FileNamePart(masterPath_)});
  LoadMasterFile(masterPath_, header_, selfExtracting_);
  if (verifying_ && header_.version < kEarlyVersion1_2) {
    const std::string question = LoadMessage(IDS_EARLY_PACKAGE_VERIFY).value_or("");
    if (host_.AskQuestion(question, kBoxYesNo | kBoxIconQuestion) != kButtonYes) {
      ThrowUserAbort();
    }
  }
}

// Until the destination's volume has room for the whole original file, or its free space
// cannot be told; a shortage asks for another folder.
void MergeRun::EnsureFreeSpace() {
  for (;;) {
    try {
      CheckFreeSpace();
      return;
    } catch (const CException& error) {
      if (IsUserAbort(error)) throw;
      switch (RelocateAfterError(host_, destination_, error)) {
        case LocationAnswer::ok:
          break;
        case LocationAnswer::pathTooLong:
          ThrowSystemError(platform::kErrorBufferOverflow);
        case LocationAnswer::cancel:
          ThrowUserAbort();
      }
    }
  }
}

void MergeRun::CheckFreeSpace() const {
  const std::optional<std::uint64_t> free = GetFreeSpaceAt(destination_, false);
  if (!free || header_.originalSize <= *free) return;
  ThrowAppException(IDS_NOT_ENOUGH_SPACE_MERGE,
                    {destination_, FormatByteSize(header_.originalSize - *free),
                     FormatByteSize(header_.originalSize)});
}

// The pieces are looked for next to the master, wherever the split wrote them.
void MergeRun::PrepareNames() {
  header_.pathPrefix = PathPrefixBesideMaster(masterPath_, header_);
  if (header_.maxPieceDataSize > kMaxPieceDataSize) ThrowMemoryError();
  buffer_.emplace(AllocateCopyBuffer(header_.maxPieceDataSize));
  SetStatus(host_, kProgressUnchanged, IDS_PROCESSING_RESTRICTIONS);
  BuildPackageFileNames(header_, selfExtracting_, names_);
  besideMaster_ = names_;
  rebuilt_.assign(names_.size(), false);
}

// The manifest is named after the package prefix, as the pieces are. A file that it does not
// list is checked by the byte sums alone.
void MergeRun::LoadManifest() {
  manifestPath_ = ManifestPath(header_.pathPrefix);
  const std::optional<ManifestDigests> manifest = ReadManifest(manifestPath_);
  if (!manifest) return;
  const auto listed = [&](const std::string& name) -> std::optional<Sha256Digest> {
    const auto line = manifest->find(name);
    return line == manifest->end() ? std::nullopt : std::optional(line->second);
  };
  for (const std::string& name : names_) pieceDigests_.push_back(listed(FileNamePart(name)));
  // When every piece matches its line, the merged data are the bytes the split read from the
  // original: a digest of the whole would only repeat the check at the cost of a second pass.
  const bool everyPieceListed =
      std::all_of(pieceDigests_.begin() + 1, pieceDigests_.end(),
                  [](const std::optional<Sha256Digest>& digest) { return digest.has_value(); });
  if (!everyPieceListed) originalDigest_ = listed(OriginalFileName(header_));
}

// The merged file replaces its target, so the target must not be a file of the package.
void MergeRun::RefuseMergedFileInPackage() {
  destinationMatch_.emplace(destination_);
  const auto isDestination = [this](const std::string& path) { return IsDestination(path); };
  if (isDestination(masterPath_) || std::ranges::any_of(names_, isDestination)) {
    ThrowAppException(IDS_MERGED_FILE_IN_PACKAGE, {destination_});
  }
}

// A target that could not be written over is refused before any work, as writing into it
// would be; the merge itself goes into a new temporary file beside it.
void MergeRun::CreateMergedFile() {
  RaiseSystemFileError(platform::CheckReplaceable(destination_), destination_);
  RemoveStaleTemporaries(destination_);
  temporary_ = CreateTemporaryFor(destination_, merged_);
  // It is flushed before it takes the target's name.
  merged_.WriteBackAsWritten();
}

// Piece `index`, asking for another file and trying again for as long as it fails.
void MergeRun::MergePiece(std::uint32_t index) {
  SetStatus(host_, kProgressUnchanged, IDS_PROCESSING_FILE, {FileNamePart(names_[index])});
  const std::uint64_t processed = processed_;
  const std::uint32_t running = running_;
  const std::uint64_t mergedLength = verifying_ ? 0 : merged_.Position();
  bool searched = false;
  const Sha256 mergedDigest = mergedDigest_;
  for (;;) {
    try {
      CopyPiece(index);
      return;
    } catch (const CException& error) {
      if (IsUserAbort(error)) throw;
      // A failing merged file is not the package's fault.
      const auto* fileError = dynamic_cast<const CFileException*>(&error);
      if (fileError != nullptr && fileError->fileName == destination_) throw;
      RewindTo(processed, running, mergedLength);
      mergedDigest_ = mergedDigest;
      // The search folders get one turn before the user is asked; the user's answer is final.
      if (!searched) {
        searched = true;
        if (TakePieceFoundElsewhere(index)) continue;
      }
      if (!recoveryTried_ && TakePiecesFromRecovery()) {
        if (verifiedByRecovery_) return;
        continue;
      }
      AskForPiece(index, error);
    }
  }
}

// The pieces listed in the manifest are digested ahead of the copy, from their files, where
// the memory holds those read ahead: the merge then reads them again from the system's cache.
void MergeRun::StartDigestsAhead() {
  if (pieceDigests_.empty()) return;
  const std::uint64_t aheadBytes = kPiecesDigestedAhead * header_.maxPieceDataSize;
  if (aheadBytes > platform::AvailablePhysicalMemory() / 2) return;
  std::vector<std::string> paths(names_.size());
  for (std::uint32_t index = 1; index < names_.size() && index < pieceDigests_.size(); ++index) {
    if (pieceDigests_[index]) paths[index] = names_[index];
  }
  aheadTried_.assign(names_.size(), false);
  digestsAhead_ = std::make_unique<PieceDigestsAhead>(std::move(paths));
}

// The digest taken ahead stands for the piece on its first try, read where it was taken; a
// piece read again, or found elsewhere, is digested as it is copied.
bool MergeRun::DigestedAhead(std::uint32_t index) {
  if (digestsAhead_) digestsAhead_->Reached(index);
  if (!digestsAhead_ || aheadTried_[index] || digestsAhead_->PathOf(index) != names_[index]) {
    return false;
  }
  aheadTried_[index] = true;
  return true;
}

// One attempt at a piece: its header, its data copied and summed, its check values.
void MergeRun::CopyPiece(std::uint32_t index) {
  const std::string& name = names_[index];
  // A chosen or re-rooted name can lead to the file being written.
  if (!verifying_ && IsDestination(name)) {
    ThrowAppException(IDS_MERGED_FILE_IN_PACKAGE, {destination_});
  }
  CFile64 piece;
  CFileException error;
  if (!piece.Open(name, false, &error)) RaiseFileError(error.cause, name);
  const PieceHeader header = ReadPieceHeader(piece);
  if (header.dataSize > header_.maxPieceDataSize) RaiseCorruption(IDS_CONTENTS_MISMATCH);
  const bool listed = index < pieceDigests_.size() && pieceDigests_[index];
  const bool ahead = listed && DigestedAhead(index);
  Sha256 pieceDigest;
  std::uint32_t crc = 0;
  const bool whole = listed && StartPieceDigest(piece, header, pieceDigest, crc);
  const std::uint64_t length = piece.Length();
  piece.SeekToBegin(header.headerSize);
  Sha256* digests[2];
  std::size_t digestCount = 0;
  if (listed && !ahead) digests[digestCount++] = &pieceDigest;
  if (originalDigest_) digests[digestCount++] = &mergedDigest_;
  std::uint32_t sum = 0;
  const std::uint64_t copied = CopyData(host_, {.source = piece,
                                                .destination = merged_,
                                                .count = header.dataSize,
                                                .buffer = *buffer_,
                                                .operationTotal = header_.originalSize,
                                                .runningTotal = processed_,
                                                .byteSum = sum,
                                                .verifyOnly = verifying_,
                                                .digests = CopyDigests(digests, digestCount),
                                                .crc = ahead ? &crc : nullptr});
  piece.Close();
  if (copied == kCopyCancelled) ThrowUserAbort();
  CheckPiece(index, header, copied, sum);
  if (!listed) return;
  CheckPieceDigest(index, whole,
                   ahead ? MatchesDigestTakenAhead(index, crc, length)
                         : pieceDigest.Finish() == *pieceDigests_[index]);
}

// The manifest's digest covers the whole piece file: its header as stored, then its data as it
// passes. False for a file with bytes beyond those, which cannot match.
bool MergeRun::StartPieceDigest(CFile64& piece, const PieceHeader& header, Sha256& digest,
                                std::uint32_t& crc) const {
  std::array<std::uint8_t, kPieceHeaderSize> stored{};
  piece.SeekToBegin(0);
  const std::uint32_t headerSize = std::min<std::uint32_t>(header.headerSize, stored.size());
  const std::uint32_t read = piece.Read(stored.data(), headerSize);
  digest.Update(stored.data(), read);
  crc = Crc32(0, stored.data(), read);
  return piece.Length() == std::uint64_t{headerSize} + header.dataSize;
}

// The digest taken ahead matched only if it was taken of the bytes copied: the same CRC-32 of
// as many bytes. A file that the reading ahead could not read is read here.
bool MergeRun::MatchesDigestTakenAhead(std::uint32_t index, std::uint32_t crc,
                                       std::uint64_t length) {
  std::optional<FileDigestAndCrc> taken = digestsAhead_->Wait(index);
  if (!taken) taken = DigestAndCrcOfFile(names_[index]);
  return taken->length == length && taken->crc == crc && taken->digest == *pieceDigests_[index];
}

void MergeRun::CheckPieceDigest(std::uint32_t index, bool whole, bool matches) const {
  if (!whole || !matches) {
    ThrowAppException(IDS_PIECE_DIGEST_MISMATCH, {names_[index], manifestPath_});
  }
}

// Which check values are tested depends on the generation of the master.
void MergeRun::CheckPiece(std::uint32_t index, const PieceHeader& piece, std::uint64_t copied,
                          std::uint32_t sum) {
  if (copied != piece.dataSize) RaiseCorruption(IDS_CONTENTS_MISMATCH);
  if (header_.version >= kEarlyVersion1_2 && sum != piece.pieceSum) {
    RaiseCorruption(IDS_CONTENTS_MISMATCH);
  }
  running_ = NextRunningChecksum(running_, index, piece.pieceSum);
  if (header_.version < kEarlyVersion2) return;
  if (running_ != piece.runningChecksum) RaiseCorruption(IDS_CONTENTS_MISMATCH);
  if (index == header_.fileCount - 1) expected_ = piece.runningChecksum;
}

// Back to where the piece began, so that a failed attempt leaves none of its bytes behind.
void MergeRun::RewindTo(std::uint64_t processed, std::uint32_t running,
                        std::uint64_t mergedLength) {
  processed_ = processed;
  running_ = running;
  if (verifying_) return;
  merged_.SeekToBegin(mergedLength);
  merged_.SetLength(mergedLength);
}

// The first file of the piece's name in the search folders that is this piece of this
// package; the other names stay where they are.
bool MergeRun::TakePieceFoundElsewhere(std::uint32_t index) {
  const std::string name = FileNamePart(names_[index]);
  const std::optional<std::uint32_t> previous =
      header_.version >= kEarlyVersion1_2 ? std::optional(running_) : std::nullopt;
  for (const std::string& path : PiecesNamedIn(options_.searchFolders, name)) {
    if (platform::IsSameFile(path, names_[index])) continue;
    const std::optional<PieceHeader> piece = PieceHeaderOf(path);
    if (!piece || !PieceFitsPackage(header_, index, *piece, previous)) {
      SetStatus(host_, kProgressUnchanged, kNotThisPiece, {path, std::to_string(index)});
      continue;
    }
    SetStatus(host_, kProgressUnchanged, kPieceFoundElsewhere, {name, path});
    names_[index] = path;
    return true;
  }
  return false;
}

// Every package file that is missing or bad, this piece's and those still to come, rebuilt from
// the recovery files beside the master or in the search folders into temporaries beside the
// merged file, which the merge then reads and checks as it reads any piece. A verify only
// makes sure that they can be rebuilt. False when there are no recovery files, or they cannot
// rebuild the package: the status then says how many more volumes it needs.
bool MergeRun::TakePiecesFromRecovery() {
  recoveryTried_ = true;
  std::optional<PackageRecoverySet> set = FindPackageRecoverySet(
      masterPath_, {besideMaster_.begin() + 1, besideMaster_.end()}, options_.searchFolders);
  if (!set) return false;
  const PackageReport report = ReportPackage(host_, masterPath_, options_.searchFolders);
  SetStatus(host_, 0, IDS_RECOVERY_CHECKING, {FileNamePart(masterPath_)});
  recovery_ =
      AssessPackageRecovery(std::move(*set), report, masterPath_, ShownRecoveryProgress(host_));
  const RecoveryOutlook& outlook = recovery_->outlook;
  if (outlook.badNames.empty()) return false;
  if (!outlook.solvable) {
    SetStatus(host_, kProgressUnchanged, CannotRebuildText(outlook));
    return false;
  }
  if (verifying_) {
    SetStatus(host_, kProgressUnchanged, IDS_RECOVERY_CAN_REBUILD, {JoinedNames(outlook.badNames)});
    verifiedByRecovery_ = true;
    return true;
  }
  RebuildPieces();
  return true;
}

void MergeRun::RebuildPieces() {
  const RecoveryOutlook& outlook = recovery_->outlook;
  const std::vector<Par2File>& files = recovery_->set.found.set.files;
  std::vector<std::string> outputs(files.size());
  for (std::size_t file = 0; file < files.size(); ++file) {
    if (outlook.check.files[file].state == Par2FileState::good) continue;
    const std::string target = FolderPart(destination_) + files[file].name;
    RemoveStaleTemporaries(target);  // a merge killed while it rebuilt left them
    CFile64 output;
    outputs[file] = CreateTemporaryFor(target, output);
    rebuiltFiles_.Add(outputs[file]);
    output.Close();
  }
  SetStatus(host_, 0, IDS_RECOVERY_REBUILDING, {JoinedNames(outlook.badNames)});
  RebuildFromRecovery(recovery_->set, outlook, outputs, ShownRecoveryProgress(host_));
  std::vector<std::string> rebuiltPieces;
  for (std::size_t file = 0; file < files.size(); ++file) {
    if (outputs[file].empty()) continue;
    for (std::uint32_t index = 1; index < besideMaster_.size(); ++index) {
      if (FileNamePart(besideMaster_[index]) != files[file].name) continue;
      names_[index] = outputs[file];
      rebuilt_[index] = true;
      rebuiltPieces.push_back(files[file].name);
    }
  }
  std::ranges::sort(rebuiltPieces);
  SetStatus(host_, 0, IDS_RECOVERY_REBUILT, {JoinedNames(rebuiltPieces)});
  rebuiltNames_ = std::move(rebuiltPieces);
}

// Another file for the piece; the other names follow it into its folder. The folder they
// leave and the one chosen are searched for the later pieces, so that a package spread over
// several folders needs one answer for each folder.
void MergeRun::AskForPiece(std::uint32_t index, const CException& error) {
  const std::string reason =
      LoadMessage(IDS_INSERT_MERGE_DISK, {ReasonOf(error), std::to_string(index)}).value_or("");
  std::string chosen = names_[index];
  if (PromptFile(host_, chosen, reason) != LocationAnswer::ok) ThrowUserAbort();
  const std::string folder = FolderPart(chosen);
  AddSearchFolder(options_.searchFolders, FolderPart(names_.front()));
  AddSearchFolder(options_.searchFolders, folder);
  for (std::string& name : names_) name = folder + FileNamePart(name);
  names_[index] = chosen;
}

void MergeRun::CheckTotals() {
  if (!verifying_) {
    // On the disk before it takes the target's place, so that a power cut cannot leave a
    // short file under the target's name.
    merged_.Flush();
    merged_.Close();
  }
  if (header_.version < kEarlyVersion1_2) {
    // The earliest packages carry only a sample of the original file's bytes, which a
    // verify has no output to take from.
    running_ = verifying_ ? expected_ : SampleSumOfMergedFile();
  }
  SetStatus(host_, 100);
  if (processed_ != header_.originalSize) RaiseCorruption(IDS_SIZES_MISMATCH);
  if (running_ != expected_) RaiseCorruption(IDS_CONTENTS_MISMATCH);
  if (originalDigest_ && mergedDigest_.Finish() != *originalDigest_) {
    ThrowAppException(IDS_MERGED_DIGEST_MISMATCH, {OriginalFileName(header_), manifestPath_});
  }
}

std::uint32_t MergeRun::SampleSumOfMergedFile() const {
  CFile64 file;
  CFileException error;
  if (!file.Open(temporary_, false, &error)) RaiseFileError(error.cause, destination_);
  const std::uint32_t sum = SampleSum(file);
  file.Close();
  return sum;
}

// The checked merged file takes the target's place in one step.
void MergeRun::PutMergedFileInPlace() {
  RaiseSystemFileError(platform::MoveIntoPlace(temporary_, destination_), destination_);
  temporary_.clear();
}

// All package files or none; never the running program, never the merged file. A piece that
// was rebuilt goes where it lies, if anywhere, and the recovery files with it.
void MergeRun::DeletePackage() const {
  // Only once the merged file's name is on the disk, as its data are.
  const std::string folder = FolderPart(destination_);
  if (const platform::ErrorCode code = platform::FlushFolder(folder)) {
    const CFileException failure(platform::FileErrorCauseFor(code), static_cast<long>(code),
                                 folder);
    throw CAppException(FormatMessageText(kPackageKept, {destination_}) + ReasonOf(failure));
  }
  LoadedModuleTest isProgram;
  if (isProgram(masterPath_)) return;
  platform::SameFileMatcher isMerged(destination_);  // in place now: a file of its own
  std::vector<std::string> files;
  for (std::size_t index = 0; index < names_.size(); ++index) {
    if (!rebuilt_[index]) {
      files.push_back(names_[index]);
    } else if (platform::FileExists(besideMaster_[index])) {
      files.push_back(besideMaster_[index]);
    }
  }
  const bool usedRecovery = std::ranges::find(rebuilt_, true) != rebuilt_.end();
  if (usedRecovery)
    files.insert(files.end(), recovery_->set.par2Files.begin(), recovery_->set.par2Files.end());
  for (const std::string& name : files) {
    if (!platform::FileExists(name) || isProgram(name) || isMerged.Matches(name)) return;
  }
  for (const std::string& name : files) DeleteFileByName(name);
}

}  // namespace

void Merger::Merge(OperationHost& host, const std::string& masterPath,
                   const std::string& destinationPath, const MergeOptions& options) {
  rebuilt_.clear();
  MergeRun run(host, masterPath, destinationPath, options);
  try {
    run.Run();
    rebuilt_ = run.Rebuilt();
  } catch (...) {
    run.Abandon();
    throw;
  }
}
