#pragma once
// Large-file access: a thin owner of a platform file handle with fixed access and sharing
// rules, and the file-error helpers. Every size and offset is 64-bit.

#include <cstdint>
#include <string>
#include <utility>

#include "base/exceptions.h"
#include "platform/files.h"

class CFile64 {
 public:
  CFile64() = default;
  CFile64(const CFile64&) = delete;
  CFile64& operator=(const CFile64&) = delete;
  // Closes an open file as Close does. A failed close is thrown, except while another
  // exception is already propagating: then it is dropped, so the program does not end.
  // A file only read has nothing to lose at its close: its close never fails.
  ~CFile64() noexcept(false);

  // Writing: create or truncate, no sharing. Reading: existing file, shared with readers.
  // On failure: with an error object it is filled and false returned; without one the file
  // error is thrown at once. The path is used as given. An open file is closed first.
  bool Open(const std::string& path, bool forWriting, CFileException* error = nullptr);
  // Takes over a handle opened elsewhere for writing; its errors name the file as `fileName`, which
  // may be the name the user knows (a file written under a temporary name). An open file is closed
  // first.
  void Attach(platform::FileHandle handle, const std::string& fileName);
  // Returns to the closed state; a failed close is thrown afterwards.
  void Close();

  // The operations on the open handle; failures throw the file error for fileName.
  std::uint32_t Read(void* buffer, std::uint32_t size);  // fewer bytes is not an error
  void Write(const void* buffer, std::uint32_t size);    // a short write throws cause 14
  std::uint64_t Seek(std::int64_t offset, platform::SeekOrigin origin);
  std::uint64_t SeekToBegin(std::uint64_t offset) {
    return Seek(static_cast<std::int64_t>(offset), platform::SeekOrigin::Begin);
  }
  std::uint64_t Position();
  std::uint64_t Length();
  void Flush();
  // From now on, every few megabytes written start on their way to the disk while later ones
  // are written, for a file that will be flushed at the end: the flush then waits for the
  // last few alone, not for the whole file.
  void WriteBackAsWritten() { writeBackAsWritten_ = true; }
  // Cuts or extends the file to `length` bytes; the position is not moved.
  void SetLength(std::uint64_t length);

  bool IsOpen() const { return isOpen_; }
  platform::FileHandle Handle() const { return handle_; }
  const std::string& FileName() const { return fileName_; }

 private:
  void WriteBackLastStep();
  // Closes the handle and resets the fields; the close's error code, or 0.
  platform::ErrorCode CloseHandleAndReset();

  platform::FileHandle handle_ = platform::kInvalidFileHandle;
  std::string fileName_;
  bool isOpen_ = false;
  bool forWriting_ = false;
  bool writeBackAsWritten_ = false;
  std::uint64_t writtenSinceWriteBack_ = 0;
  std::pair<std::uint64_t, std::uint64_t> stepOnItsWay_;  // [start, end) written back last
};

// Code 0 does nothing; otherwise throws the file error for the code's cause and the path.
void RaiseSystemFileError(platform::ErrorCode code, const std::string& path);
// Throws the file error with the cause, system error -1 and the path.
[[noreturn]] void RaiseFileError(int cause, const std::string& path);

// Reads until `size` bytes are in or the file ends: one read may return less than asked.
// Returns how many were read.
std::uint32_t ReadUpTo(CFile64& file, void* buffer, std::uint32_t size);
// Exactly `size` bytes from `offset` on; a file that ends sooner raises its end-of-file error.
void ReadExactlyAt(CFile64& file, std::uint64_t offset, void* buffer, std::uint32_t size);

bool FileSizeByName(const std::string& path, std::uint64_t& size);

// Deletes a file; the result is not checked by any caller.
void DeleteFileByName(const std::string& path);
