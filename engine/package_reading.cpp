#include "engine/package_reading.h"

#include <algorithm>
#include <span>
#include <utility>

#include "base/exceptions.h"
#include "platform/system_info.h"
#include "res/string_table.h"

namespace {

std::uint32_t ReadFully(CFile64& file, std::span<std::uint8_t> buffer) {
  return ReadUpTo(file, buffer.data(), static_cast<std::uint32_t>(buffer.size()));
}

[[noreturn]] void RaiseInvalidFormat(const CFile64& file) {
  ThrowAppException(IDS_INVALID_FORMAT, {file.FileName()});
}

enum class RecordForm { Current, Early };

// Reads a master or piece record of either form into `bytes` (the current form's size). An
// early record leaves the position right after its earlySize bytes.
RecordForm ReadEitherForm(CFile64& file, std::uint32_t magic, std::span<std::uint8_t> bytes,
                          std::size_t earlySize) {
  const std::uint32_t read = ReadFully(file, bytes);
  if (read < earlySize) RaiseInvalidFormat(file);
  const RecordStart start = DecodeRecordStart(bytes);
  if (start.magic != magic) RaiseInvalidFormat(file);
  if (read == bytes.size() && start.headerSize == bytes.size()) {
    if (!IsCurrentFormVersion(start.version)) RaiseInvalidFormat(file);
    return RecordForm::Current;
  }
  if (start.headerSize != earlySize || !IsEarlyFormVersion(start.version)) {
    RaiseInvalidFormat(file);
  }
  file.Seek(-static_cast<std::int64_t>(read - earlySize), platform::SeekOrigin::Current);
  return RecordForm::Early;
}

// Damaged or hostile masters must not lead to a package without pieces or to an unbounded
// list of names.
bool HasValidFileCount(const MasterHeader& header) {
  return header.fileCount >= 1 && header.fileCount <= kMaxFileCount;
}

bool IsValidTrailer(const SelfExtractTrailer& trailer) {
  return trailer.trailerVersion < kTrailerVersionLimit && trailer.magic == kTrailerMagic &&
         trailer.trailerSize == kTrailerSize &&
         // 32-bit arithmetic, as the writer stores it
         trailer.check == static_cast<std::uint32_t>(trailer.headerOffset + kTrailerSize);
}

// The self-extracting test without the care for the position. The master header must fill the
// space between the stub and the trailer exactly, so a hostile offset cannot point past the end
// or into the trailer.
bool ReadHeaderThroughTrailer(CFile64& file, MasterHeader& header) {
  const std::uint64_t length = file.Length();
  if (length < kTrailerSize) return false;
  const std::uint64_t trailerStart = length - kTrailerSize;
  file.SeekToBegin(trailerStart);
  TrailerBytes bytes{};
  if (ReadFully(file, bytes) != bytes.size()) return false;
  const SelfExtractTrailer trailer = DecodeSelfExtractTrailer(bytes);
  if (!IsValidTrailer(trailer)) return false;
  if (std::uint64_t{trailer.headerOffset} + kEarlyMasterHeaderSize > trailerStart) return false;
  file.SeekToBegin(trailer.headerOffset);
  MasterHeader found;
  try {
    ReadMasterHeader(file, found);
  } catch (const CException&) {
    return false;  // a header that cannot be read only means "not self-extracting"
  }
  if (std::uint64_t{trailer.headerOffset} + found.headerSize != trailerStart) return false;
  header = std::move(found);
  return true;
}

[[noreturn]] void RaiseOpenError(int cause, const std::string& path) {
  if (cause == CFileException::fileNotFound) ThrowAppException(IDS_FILE_NOT_FOUND, {path});
  if (cause == CFileException::badPath) ThrowAppException(IDS_INVALID_FILE_NAME, {path});
  RaiseFileError(cause, path);
}

std::string RunningProgramPath() {
  std::string path;
  const platform::ErrorCode code = platform::ModuleFilePath(path);
  if (code == 0 && !path.empty()) return path;
  const std::string liteName = StringTableText(IDS_LITE_PROGRAM_FILE).value_or("");
  RaiseSystemFileError(code, liteName);
  RaiseFileError(CFileException::genericException, liteName);  // no name and no error code
}

}  // namespace

void ReadMasterHeader(CFile64& file, MasterHeader& header) {
  MasterHeaderBytes bytes{};
  MasterHeader read;
  if (ReadEitherForm(file, kMasterMagic, bytes, kEarlyMasterHeaderSize) == RecordForm::Current) {
    read = DecodeMasterHeader(bytes);
  } else {
    EarlyMasterHeaderBytes early{};
    std::copy_n(bytes.begin(), early.size(), early.begin());
    read = ConvertEarlyMasterHeader(DecodeEarlyMasterHeader(early));
  }
  if (!HasValidFileCount(read)) RaiseInvalidFormat(file);
  header = std::move(read);
}

bool FindSelfExtractTrailer(CFile64& file, MasterHeader& header) {
  const std::uint64_t start = file.Position();
  try {
    const bool found = ReadHeaderThroughTrailer(file, header);
    file.SeekToBegin(start);
    return found;
  } catch (...) {
    try {
      file.SeekToBegin(start);
    } catch (const CException&) {
      // The first error is the one to report.
    }
    throw;
  }
}

void LoadMasterFile(const std::string& path, MasterHeader& header, bool& isSelfExtracting) {
  header = MasterHeader{};
  isSelfExtracting = false;
  if (path.empty()) ThrowAppException(IDS_NO_FILE_NAME);
  if (!platform::FileExists(path)) ThrowAppException(IDS_FILE_NOT_FOUND, {path});
  CFile64 file;
  CFileException error;
  if (!file.Open(path, false, &error)) RaiseOpenError(error.cause, path);
  MasterHeader found;
  const bool selfExtracting = FindSelfExtractTrailer(file, found);
  if (!selfExtracting) ReadMasterHeader(file, found);
  header = std::move(found);
  isSelfExtracting = selfExtracting;
}

bool IsSelfExtractingMaster(const std::string& path) {
  CFile64 file;
  file.Open(path.empty() ? RunningProgramPath() : path, false);
  MasterHeader header;
  return FindSelfExtractTrailer(file, header);
}

PieceHeader ReadPieceHeader(CFile64& piece) {
  PieceHeaderBytes bytes{};
  if (ReadEitherForm(piece, kPieceMagic, bytes, kEarlyPieceHeaderSize) == RecordForm::Current) {
    return DecodePieceHeader(bytes);
  }
  EarlyPieceHeaderBytes early{};
  std::copy_n(bytes.begin(), early.size(), early.begin());
  return DecodeEarlyPieceHeader(early);
}
