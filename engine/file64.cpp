#include "engine/file64.h"

#include <algorithm>
#include <exception>

namespace {

// How much is written between two write-backs: enough that the calls cost nothing, little
// enough that the disk starts at once.
constexpr std::uint64_t kWriteBackStep = 8 * 1024 * 1024;

}  // namespace

CFile64::~CFile64() noexcept(false) {
  std::string name = fileName_;
  platform::ErrorCode code = CloseHandleAndReset();
  if (std::uncaught_exceptions() == 0) RaiseSystemFileError(code, name);
}

bool CFile64::Open(const std::string& path, bool forWriting, CFileException* error) {
  Close();
  platform::FileHandle handle = platform::kInvalidFileHandle;
  platform::ErrorCode code =
      forWriting ? platform::OpenForWriting(path, handle) : platform::OpenForReading(path, handle);
  if (code == 0) {
    handle_ = handle;
    fileName_ = path;
    isOpen_ = true;
    forWriting_ = forWriting;
    return true;
  }
  CFileException failure(platform::FileErrorCauseFor(code), static_cast<long>(code), path);
  if (error == nullptr) throw failure;
  *error = std::move(failure);
  return false;
}

void CFile64::Attach(platform::FileHandle handle, const std::string& fileName) {
  Close();
  handle_ = handle;
  fileName_ = fileName;
  isOpen_ = true;
  forWriting_ = true;
}

platform::ErrorCode CFile64::CloseHandleAndReset() {
  platform::ErrorCode code = 0;
  if (handle_ != platform::kInvalidFileHandle) code = platform::CloseFileHandle(handle_);
  // Whatever the system says, the bytes read were read: only a written file can lose data.
  if (!forWriting_) code = 0;
  handle_ = platform::kInvalidFileHandle;
  fileName_.clear();
  isOpen_ = false;
  forWriting_ = false;
  writeBackAsWritten_ = false;
  writtenSinceWriteBack_ = 0;
  stepOnItsWay_ = {};
  return code;
}

void CFile64::Close() {
  std::string name = fileName_;
  RaiseSystemFileError(CloseHandleAndReset(), name);
}

std::uint32_t CFile64::Read(void* buffer, std::uint32_t size) {
  std::uint32_t read = 0;
  RaiseSystemFileError(platform::ReadBytes(handle_, buffer, size, read), fileName_);
  return read;
}

void CFile64::Write(const void* buffer, std::uint32_t size) {
  std::uint32_t written = 0;
  RaiseSystemFileError(platform::WriteBytes(handle_, buffer, size, written), fileName_);
  if (written < size) RaiseFileError(CFileException::endOfFile, fileName_);
  if (!writeBackAsWritten_) return;
  writtenSinceWriteBack_ += written;
  if (writtenSinceWriteBack_ >= kWriteBackStep) WriteBackLastStep();
}

// The step just written starts on its way to the disk; the one before it, on its way since the
// last step, is waited for and leaves the cache.
void CFile64::WriteBackLastStep() {
  const std::uint64_t end = Position();
  const std::uint64_t start = end - std::min(end, writtenSinceWriteBack_);
  platform::StartWriteBack(handle_, start, end - start);
  if (stepOnItsWay_.second > stepOnItsWay_.first) {
    platform::SettleWrittenBack(handle_, stepOnItsWay_.first,
                                stepOnItsWay_.second - stepOnItsWay_.first);
  }
  stepOnItsWay_ = {start, end};
  writtenSinceWriteBack_ = 0;
}

std::uint64_t CFile64::Seek(std::int64_t offset, platform::SeekOrigin origin) {
  std::uint64_t position = 0;
  RaiseSystemFileError(platform::SeekTo(handle_, offset, origin, position), fileName_);
  return position;
}

std::uint64_t CFile64::Position() { return Seek(0, platform::SeekOrigin::Current); }

std::uint64_t CFile64::Length() {
  std::uint64_t length = 0;
  RaiseSystemFileError(platform::FileLength(handle_, length), fileName_);
  return length;
}

void CFile64::Flush() { RaiseSystemFileError(platform::FlushToDisk(handle_), fileName_); }

void CFile64::SetLength(std::uint64_t length) {
  RaiseSystemFileError(platform::SetFileLength(handle_, length), fileName_);
}

void RaiseSystemFileError(platform::ErrorCode code, const std::string& path) {
  if (code == 0) return;
  throw CFileException(platform::FileErrorCauseFor(code), static_cast<long>(code), path);
}

void RaiseFileError(int cause, const std::string& path) { throw CFileException(cause, -1, path); }

std::uint32_t ReadUpTo(CFile64& file, void* buffer, std::uint32_t size) {
  auto* bytes = static_cast<std::byte*>(buffer);
  std::uint32_t total = 0;
  while (total < size) {
    const std::uint32_t read = file.Read(bytes + total, size - total);
    if (read == 0) break;
    total += read;
  }
  return total;
}

void ReadExactlyAt(CFile64& file, std::uint64_t offset, void* buffer, std::uint32_t size) {
  file.SeekToBegin(offset);
  if (ReadUpTo(file, buffer, size) != size) {
    RaiseFileError(CFileException::endOfFile, file.FileName());
  }
}

bool FileSizeByName(const std::string& path, std::uint64_t& size) {
  return platform::SizeFromDirectoryEntry(path, size) == 0;
}

void DeleteFileByName(const std::string& path) { platform::RemoveFile(path); }
