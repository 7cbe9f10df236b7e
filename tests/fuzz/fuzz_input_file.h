#pragma once
// The fuzz input as a real file, for the readers that take a path, so that the production
// path (open, lock, length, reads, seeks) is the one fuzzed. One file in memory (/dev/shm
// where there is one) per target, rewritten in place for every input and removed at exit.

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

class FuzzInputFile {
 public:
  explicit FuzzInputFile(std::string_view name) {
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::getenv("TMPDIR");
    path_ = std::string(folder != nullptr ? folder : "/tmp") + "/partwell-fuzz-" +
            std::to_string(getpid()) + "-" + std::string(name);
    handle_ = open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (handle_ < 0) std::abort();
  }
  FuzzInputFile(const FuzzInputFile&) = delete;
  FuzzInputFile& operator=(const FuzzInputFile&) = delete;
  ~FuzzInputFile() {
    close(handle_);
    unlink(path_.c_str());
  }

  const std::string& Path() const { return path_; }

  // The file holds exactly these bytes afterwards.
  void Write(const std::uint8_t* data, std::size_t size) {
    if (ftruncate(handle_, 0) != 0) std::abort();
    std::size_t written = 0;
    while (written < size) {
      const ssize_t count =
          pwrite(handle_, data + written, size - written, static_cast<off_t>(written));
      if (count <= 0) std::abort();
      written += static_cast<std::size_t>(count);
    }
  }

 private:
  std::string path_;
  int handle_ = -1;
};
