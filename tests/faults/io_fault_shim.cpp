// Preloaded into a program run by scripts/faults.sh: counts the program's input/output calls on
// the files it opens and fails one of them, or kills the process right after it.
//
//   PW_FAULT_KIND   eio, enospc, eintr, short (a read or write of half the bytes asked), eacces
//                   or kill; unset, every call goes through and is only written to the trace
//   PW_FAULT_AT     N: the Nth call that the kind can happen to is the one that fails
//   PW_FAULT_CALL   only this call is counted (open, read, write, fsync, rename, close...)
//   PW_FAULT_PATH   only calls on a path that holds this text are counted; with a final "$",
//                   on a path that ends with it
//   PW_FAULT_TRACE  a file that receives one line per call: the kinds it can take (E enospc is
//                   S, eintr I, short H, eacces A; E and K for eio and kill fit every call),
//                   the call, its result, and the paths; the faulted call is marked FAULT
//
// Only calls on files opened through the calls below are counted, not those on the terminal,
// pipes, devices or the system's own files; the numbering is therefore the same from run to
// run as long as the program does the same work.

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

namespace {

enum class Call {
  open,
  read,
  pread,
  write,
  pwrite,
  fsync,
  fdatasync,
  rename,
  unlink,
  ftruncate,
  close,
  statvfs,
  mkstemp
};

constexpr std::array<const char*, 13> kCallNames = {
    "open",   "read",   "pread",     "write", "pwrite",  "fsync",  "fdatasync",
    "rename", "unlink", "ftruncate", "close", "statvfs", "mkstemp"};

enum class Fault { none, eio, enospc, eintr, shortCount, eacces, kill };

struct Settings {
  Fault fault = Fault::none;
  long at = 0;
  std::string call;  // empty for every call
  std::string path;  // empty for every path
  int trace = -1;
};

// What the call is asked to do, so that the fault can be one it could meet.
struct Request {
  Call call;
  int flags = 0;          // of an open
  std::size_t count = 0;  // of a read or write
};

bool CreatesFile(const Request& request) {
  return request.call == Call::mkstemp ||
         (request.call == Call::open && (request.flags & O_CREAT) != 0);
}

bool MovesBytes(Call call) {
  return call == Call::read || call == Call::pread || call == Call::write || call == Call::pwrite;
}

bool CanTakeNoSpace(const Request& request) {
  switch (request.call) {
    case Call::write:
    case Call::pwrite:
    case Call::fsync:
    case Call::fdatasync:
    case Call::ftruncate:
    case Call::rename:
    case Call::close:
      return true;
    default:
      return CreatesFile(request);
  }
}

bool CanBeInterrupted(Call call) {
  return MovesBytes(call) || call == Call::open || call == Call::mkstemp || call == Call::close ||
         call == Call::ftruncate || call == Call::statvfs;
}

bool CanTake(Fault fault, const Request& request) {
  switch (fault) {
    case Fault::none:
      return false;
    case Fault::eio:
    case Fault::kill:
      return true;
    case Fault::enospc:
      return CanTakeNoSpace(request);
    case Fault::eintr:
      return CanBeInterrupted(request.call);
    case Fault::shortCount:
      return MovesBytes(request.call) && request.count > 1;
    case Fault::eacces:
      return request.call == Call::open || request.call == Call::mkstemp ||
             request.call == Call::rename;
  }
  return false;
}

std::string KindLetters(const Request& request) {
  std::string letters = "E";
  if (CanTake(Fault::enospc, request)) letters += 'S';
  if (CanTake(Fault::eintr, request)) letters += 'I';
  if (CanTake(Fault::shortCount, request)) letters += 'H';
  if (CanTake(Fault::eacces, request)) letters += 'A';
  return letters + 'K';
}

Fault FaultNamed(std::string_view name) {
  if (name == "eio") return Fault::eio;
  if (name == "enospc") return Fault::enospc;
  if (name == "eintr") return Fault::eintr;
  if (name == "short") return Fault::shortCount;
  if (name == "eacces") return Fault::eacces;
  if (name == "kill") return Fault::kill;
  return Fault::none;
}

int ErrorOf(Fault fault) {
  switch (fault) {
    case Fault::enospc:
      return ENOSPC;
    case Fault::eintr:
      return EINTR;
    case Fault::eacces:
      return EACCES;
    default:
      return EIO;
  }
}

template <typename Function>
Function* Next(const char* name) {
  return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
}

// The files the program opened, by descriptor.
class OpenFiles {
 public:
  void Opened(int fd, const char* path) {
    if (fd < 0 || fd >= static_cast<int>(paths_.size()) || !IsCounted(path)) return;
    std::lock_guard lock(mutex_);
    paths_[static_cast<std::size_t>(fd)] = path;
  }
  // The path, or nothing when the descriptor is not one of the program's files.
  bool Find(int fd, std::string& path) {
    if (fd < 0 || fd >= static_cast<int>(paths_.size())) return false;
    std::lock_guard lock(mutex_);
    path = paths_[static_cast<std::size_t>(fd)];
    return !path.empty();
  }
  void Closed(int fd) {
    if (fd < 0 || fd >= static_cast<int>(paths_.size())) return;
    std::lock_guard lock(mutex_);
    paths_[static_cast<std::size_t>(fd)].clear();
  }
  static bool IsCounted(std::string_view path) {
    return !path.starts_with("/dev/") && !path.starts_with("/proc/") && !path.starts_with("/sys/");
  }

 private:
  std::mutex mutex_;
  std::array<std::string, 4096> paths_;
};

OpenFiles& Files() {
  static OpenFiles files;
  return files;
}

const Settings& Config() {
  static const Settings settings = [] {
    Settings read;
    if (const char* kind = std::getenv("PW_FAULT_KIND")) read.fault = FaultNamed(kind);
    if (const char* at = std::getenv("PW_FAULT_AT")) read.at = std::strtol(at, nullptr, 10);
    if (const char* call = std::getenv("PW_FAULT_CALL")) read.call = call;
    if (const char* path = std::getenv("PW_FAULT_PATH")) read.path = path;
    if (const char* trace = std::getenv("PW_FAULT_TRACE")) {
      using OpenFunction = int(const char*, int, ...);
      static OpenFunction* const realOpen = Next<OpenFunction>("open");
      read.trace = realOpen(trace, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    }
    return read;
  }();
  return settings;
}

std::atomic<long> g_seen{0};  // calls that the configured fault could happen to

void Trace(const Request& request, long result, bool faulted, std::string_view path,
           std::string_view second = {}) {
  const Settings& settings = Config();
  if (settings.trace < 0) return;
  std::string line = KindLetters(request) + '\t' + kCallNames[static_cast<int>(request.call)] +
                     '\t' + std::to_string(result) + (faulted ? " FAULT" : "") + '\t' +
                     std::string(path);
  if (!second.empty()) line += '\t' + std::string(second);
  line += '\n';
  using WriteFunction = ssize_t(int, const void*, std::size_t);
  static WriteFunction* const realWrite = Next<WriteFunction>("write");
  realWrite(settings.trace, line.data(), line.size());
}

bool Matches(std::string_view path, std::string_view pattern) {
  if (pattern.ends_with('$')) return path.ends_with(pattern.substr(0, pattern.size() - 1));
  return path.find(pattern) != std::string_view::npos;
}

// Whether this call is the one to fail (or, for a kill, the one after which to end).
bool IsChosen(const Request& request, std::string_view path, std::string_view second) {
  const Settings& settings = Config();
  if (!CanTake(settings.fault, request)) return false;
  if (!settings.call.empty() && settings.call != kCallNames[static_cast<int>(request.call)]) {
    return false;
  }
  if (!settings.path.empty() && !Matches(path, settings.path) && !Matches(second, settings.path)) {
    return false;
  }
  return g_seen.fetch_add(1) + 1 == settings.at;
}

[[noreturn]] void KillNow() {
  kill(getpid(), SIGKILL);
  for (;;) pause();
}

// Runs `real` unless the call is chosen for an error; a chosen kill ends the process after it.
template <typename Real>
long Intercept(const Request& request, std::string_view path, std::string_view second, Real real) {
  const bool chosen = IsChosen(request, path, second);
  const Fault fault = Config().fault;
  if (!chosen || fault == Fault::kill) {
    const long result = real(request.count);
    const int error = errno;
    Trace(request, result, chosen, path, second);
    if (chosen) KillNow();
    errno = error;
    return result;
  }
  if (fault == Fault::shortCount) {
    const long result = real(request.count / 2);
    const int error = errno;
    Trace(request, result, true, path, second);
    errno = error;
    return result;
  }
  // A failed close still releases the descriptor, as on Linux.
  if (request.call == Call::close) real(request.count);
  Trace(request, -1, true, path, second);
  errno = ErrorOf(fault);
  return -1;
}

int OpenWith(const char* path, int flags, mode_t mode, int folder = AT_FDCWD) {
  using At = int(int, const char*, int, ...);
  static At* const realOpenAt = Next<At>("openat");
  if (!OpenFiles::IsCounted(path)) return realOpenAt(folder, path, flags, mode);
  const long fd = Intercept({Call::open, flags, 0}, path, {}, [&](std::size_t) -> long {
    return realOpenAt(folder, path, flags, mode);
  });
  Files().Opened(static_cast<int>(fd), path);
  return static_cast<int>(fd);
}

mode_t ModeArgument(int flags, va_list arguments) {
  return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

template <typename Function>
ssize_t OnFile(Call call, int fd, std::size_t count, Function real) {
  std::string path;
  if (!Files().Find(fd, path)) return real(count);
  return Intercept({call, 0, count}, path, {}, real);
}

int OnPath(Call call, const char* path, const char* second, auto real) {
  return static_cast<int>(Intercept({call, 0, 0}, path, second == nullptr ? "" : second,
                                    [&](std::size_t) -> long { return real(); }));
}

int MakeTemporary(char* pattern, int suffix, int flags) {
  using Function = int(char*, int, int);
  static Function* const real = Next<Function>("mkostemps");
  const long fd = Intercept({Call::mkstemp, O_CREAT, 0}, pattern, {},
                            [&](std::size_t) -> long { return real(pattern, suffix, flags); });
  Files().Opened(static_cast<int>(fd), pattern);
  return static_cast<int>(fd);
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  return OpenWith(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  return OpenWith(path, flags, mode);
}

int openat(int folder, const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  return OpenWith(path, flags, mode, folder);
}

int creat(const char* path, mode_t mode) {
  return OpenWith(path, O_CREAT | O_WRONLY | O_TRUNC, mode);
}

ssize_t read(int fd, void* buffer, std::size_t count) {
  using Function = ssize_t(int, void*, std::size_t);
  static Function* const real = Next<Function>("read");
  return OnFile(Call::read, fd, count, [&](std::size_t n) { return real(fd, buffer, n); });
}

ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset) {
  using Function = ssize_t(int, void*, std::size_t, off_t);
  static Function* const real = Next<Function>("pread");
  return OnFile(Call::pread, fd, count, [&](std::size_t n) { return real(fd, buffer, n, offset); });
}

ssize_t pread64(int fd, void* buffer, std::size_t count, off64_t offset) {
  return pread(fd, buffer, count, offset);
}

ssize_t write(int fd, const void* buffer, std::size_t count) {
  using Function = ssize_t(int, const void*, std::size_t);
  static Function* const real = Next<Function>("write");
  return OnFile(Call::write, fd, count, [&](std::size_t n) { return real(fd, buffer, n); });
}

ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset) {
  using Function = ssize_t(int, const void*, std::size_t, off_t);
  static Function* const real = Next<Function>("pwrite");
  return OnFile(Call::pwrite, fd, count,
                [&](std::size_t n) { return real(fd, buffer, n, offset); });
}

ssize_t pwrite64(int fd, const void* buffer, std::size_t count, off64_t offset) {
  return pwrite(fd, buffer, count, offset);
}

int fsync(int fd) {
  using Function = int(int);
  static Function* const real = Next<Function>("fsync");
  return static_cast<int>(OnFile(Call::fsync, fd, 0, [&](std::size_t) { return real(fd); }));
}

int fdatasync(int fd) {
  using Function = int(int);
  static Function* const real = Next<Function>("fdatasync");
  return static_cast<int>(OnFile(Call::fdatasync, fd, 0, [&](std::size_t) { return real(fd); }));
}

int ftruncate(int fd, off_t length) {
  using Function = int(int, off_t);
  static Function* const real = Next<Function>("ftruncate");
  return static_cast<int>(
      OnFile(Call::ftruncate, fd, 0, [&](std::size_t) { return real(fd, length); }));
}

int ftruncate64(int fd, off64_t length) { return ftruncate(fd, length); }

int close(int fd) {
  using Function = int(int);
  static Function* const real = Next<Function>("close");
  const int result =
      static_cast<int>(OnFile(Call::close, fd, 0, [&](std::size_t) { return real(fd); }));
  Files().Closed(fd);
  return result;
}

int rename(const char* from, const char* to) {
  using Function = int(const char*, const char*);
  static Function* const real = Next<Function>("rename");
  return OnPath(Call::rename, from, to, [&] { return real(from, to); });
}

int unlink(const char* path) {
  using Function = int(const char*);
  static Function* const real = Next<Function>("unlink");
  return OnPath(Call::unlink, path, nullptr, [&] { return real(path); });
}

int statvfs(const char* path, struct statvfs* volume) {
  using Function = int(const char*, struct statvfs*);
  static Function* const real = Next<Function>("statvfs");
  return OnPath(Call::statvfs, path, nullptr, [&] { return real(path, volume); });
}

int statvfs64(const char* path, struct statvfs64* volume) {
  return statvfs(path, reinterpret_cast<struct statvfs*>(volume));
}

int mkstemp(char* pattern) { return MakeTemporary(pattern, 0, 0); }
int mkostemp(char* pattern, int flags) { return MakeTemporary(pattern, 0, flags); }
int mkstemps(char* pattern, int suffix) { return MakeTemporary(pattern, suffix, 0); }
int mkostemps(char* pattern, int suffix, int flags) {
  return MakeTemporary(pattern, suffix, flags);
}

}  // extern "C"
