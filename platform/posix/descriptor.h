#pragma once
// A POSIX file descriptor that is closed when its owner goes.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace platform {

// open(2), made again when a signal interrupted it.
inline int OpenResumed(const std::string& path, int flags) {
  int fd = -1;
  do {
    fd = open(path.c_str(), flags);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  int Get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace platform
