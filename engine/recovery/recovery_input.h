#pragma once
// A file of a recovery set as the recovery writer reads it: the file itself, or, for a package
// file written to a disk that is no longer in the drive, the parts it was made of (bytes kept
// in memory and runs of files still at hand: the source, the stub).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/file64.h"

class RecoveryInput {
 public:
  // The file at `path`, under its file name.
  static RecoveryInput OfFile(const std::string& path);
  // A file named `name` made of the parts added, in order.
  explicit RecoveryInput(std::string name) : name_(std::move(name)) {}

  void AddBytes(const void* data, std::size_t size);
  // `size` bytes of the file at `path` from `offset` on.
  void AddFileRun(const std::string& path, std::uint64_t offset, std::uint64_t size);

  const std::string& Name() const { return name_; }
  // The path that names the file in errors: the file's own, or that of its first run.
  const std::string& ErrorPath() const;

  // Reads runs of the file at any offset, for one thread; the files it reads stay open.
  class Reader {
   public:
    explicit Reader(const RecoveryInput& input);
    std::uint64_t Length() const { return length_; }
    // Reads `size` bytes from `offset` on, all of them: a file that ends sooner raises the
    // end-of-file error naming it.
    void ReadAt(std::uint64_t offset, std::byte* buffer, std::uint32_t size);

   private:
    const RecoveryInput& input_;
    std::vector<std::unique_ptr<CFile64>> files_;  // by part, open for the runs of files
    std::vector<std::uint64_t> sizes_;             // by part
    std::uint64_t length_ = 0;
  };

 private:
  struct Part {
    std::vector<std::byte> bytes;  // or, with a path, a run of that file
    std::string path;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;  // UINT64_MAX: to the end of the file
  };

  std::string name_;
  std::vector<Part> parts_;
};
