#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>

#include "platform/posix/registry_file.h"

namespace platform {

namespace {

SettingsFileFault g_fault = SettingsFileFault::none;

// The program key ("Software\<company>\<program>") and the file that stands in for it.
struct StoreFile {
  std::string path;
  std::string folder;
};

std::optional<std::string> ConfigurationFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg);
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.config";
  return std::nullopt;
}

bool IsUsableFileName(std::string_view name) {
  return name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

// The file for a key path; the code when the path cannot live in one.
ErrorCode FindStoreFile(std::string_view keyPath, StoreFile& file) {
  std::vector<std::string_view> parts = SplitKeyPath(keyPath);
  if (parts.size() < 3 || !EqualIgnoringCase(parts[0], "Software") || parts[2].empty() ||
      !IsUsableFileName(parts[1]) || !IsUsableFileName(parts[2])) {
    return kErrorInvalidParameter;
  }
  std::optional<std::string> config = ConfigurationFolder();
  if (!config) return kErrorFileNotFound;
  file.folder = parts[1].empty() ? *config : *config + "/" + std::string(parts[1]);
  file.path = file.folder + "/" + std::string(parts[2]) + ".reg";
  return 0;
}

ErrorCode ReadWholeFile(const std::string& path, std::string& text) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return static_cast<ErrorCode>(errno);
  text.clear();
  char buffer[8192];
  for (;;) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ErrorCode code = got < 0 ? static_cast<ErrorCode>(errno) : 0;
      close(fd);
      return code;
    }
    text.append(buffer, static_cast<std::size_t>(got));
  }
}

// The document as stored; a missing file is an empty document.
ErrorCode LoadDocument(const std::string& path, SettingsDocument& document) {
  std::string text;
  ErrorCode code = ReadWholeFile(path, text);
  document = {};
  if (code == ENOENT) return 0;
  if (code != 0) return code;
  document = ParseSettingsDocument(text);
  return 0;
}

ErrorCode MakeFolders(const std::string& folder) {
  for (std::size_t slash = 1; slash != std::string::npos;) {
    slash = folder.find('/', slash + 1);
    std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return static_cast<ErrorCode>(errno);
  }
  return 0;
}

ErrorCode WriteAll(int fd, std::string_view bytes) {
  if (g_fault == SettingsFileFault::write) {
    // Half of the new copy reaches the disk, then the disk is full.
    bytes = bytes.substr(0, bytes.size() / 2);
    if (write(fd, bytes.data(), bytes.size()) < 0) return static_cast<ErrorCode>(errno);
    return ENOSPC;
  }
  while (!bytes.empty()) {
    ssize_t done = write(fd, bytes.data(), bytes.size());
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) return static_cast<ErrorCode>(errno);
    bytes.remove_prefix(static_cast<std::size_t>(done));
  }
  return 0;
}

// The new contents go to a temporary file beside the old one, reach the disk, and only then
// take the old one's name, so a crash at any point leaves one whole file or the other.
ErrorCode ReplaceFile(const StoreFile& file, std::string_view contents) {
  std::string temporary = file.path + ".XXXXXX";
  int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return static_cast<ErrorCode>(errno);
  ErrorCode code = WriteAll(fd, contents);
  if (code == 0 && fsync(fd) != 0) code = static_cast<ErrorCode>(errno);
  if (close(fd) != 0 && code == 0) code = static_cast<ErrorCode>(errno);
  if (code == 0 && g_fault == SettingsFileFault::rename) code = EIO;
  if (code == 0 && rename(temporary.c_str(), file.path.c_str()) != 0) {
    code = static_cast<ErrorCode>(errno);
  }
  if (code != 0) {
    unlink(temporary.c_str());
    return code;
  }
  // The rename itself is made durable through the folder.
  int folder = open(file.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
  return 0;
}

// Holds the folder's lock so that two programs changing the same file do not lose each
// other's changes between reading and replacing it.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder)
      : fd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ >= 0) flock(fd_, LOCK_EX);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock() {
    if (fd_ >= 0) close(fd_);
  }

 private:
  int fd_;
};

using Change = std::function<ErrorCode(SettingsDocument&)>;

// Changes held back by the open batch, per settings file, in the order they were made.
struct PendingChanges {
  StoreFile file;
  std::vector<Change> changes;
};
std::optional<std::map<std::string, PendingChanges>> g_batch;

std::vector<Change>* PendingFor(const StoreFile& file) {
  if (!g_batch) return nullptr;
  auto found = g_batch->find(file.path);
  return found == g_batch->end() ? nullptr : &found->second.changes;
}

// The document as it stands, with the open batch's changes applied.
ErrorCode ViewDocument(const StoreFile& file, SettingsDocument& document) {
  ErrorCode code = LoadDocument(file.path, document);
  if (code != 0) return code;
  if (std::vector<Change>* pending = PendingFor(file)) {
    for (const Change& change : *pending) change(document);
  }
  return 0;
}

ErrorCode CommitChanges(const StoreFile& file, const std::vector<Change>& changes) {
  if (ErrorCode code = MakeFolders(file.folder)) return code;
  FolderLock lock(file.folder);
  SettingsDocument document;
  // A file that exists but cannot be read is left alone: rewriting it would lose its values.
  if (ErrorCode code = LoadDocument(file.path, document)) return code;
  for (const Change& change : changes) change(document);
  return ReplaceFile(file, FormatSettingsDocument(document));
}

// Makes a change: at once, or at the end of the open batch. The change is tried first on the
// document as it stands, so that its answer is known now.
ErrorCode MakeChange(const StoreFile& file, Change change) {
  SettingsDocument document;
  if (ErrorCode code = ViewDocument(file, document)) return code;
  if (ErrorCode code = change(document)) return code;
  if (!g_batch) return CommitChanges(file, {change});
  PendingChanges& pending = (*g_batch)[file.path];
  pending.file = file;
  pending.changes.push_back(std::move(change));
  return 0;
}

bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

}  // namespace

struct RegistryKey::State {
  StoreFile file;
  std::string path;
  RegistryAccess access;
};

RegistryKey::RegistryKey() = default;
RegistryKey::RegistryKey(RegistryKey&&) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&&) noexcept = default;
RegistryKey::~RegistryKey() = default;

bool RegistryKey::IsOpen() const { return state_ != nullptr; }
void RegistryKey::Close() { state_.reset(); }

ErrorCode RegistryKey::QueryValue(std::string_view name, RegistryValue& value) const {
  if (!state_) return EBADF;
  SettingsDocument document;
  if (ErrorCode code = ViewDocument(state_->file, document)) return code;
  const SettingsKey* key = FindKey(document, state_->path);
  if (key == nullptr) return ENOENT;
  const SettingsValue* found = FindValue(*key, name);
  if (found == nullptr) return ENOENT;
  value = found->value;
  return 0;
}

ErrorCode RegistryKey::SetValue(std::string_view name, const RegistryValue& value) {
  if (!state_) return EBADF;
  if (state_->access == RegistryAccess::query) return EACCES;
  if (HasControlCharacter(name)) return kErrorInvalidParameter;
  return MakeChange(state_->file,
                    [path = state_->path, name = std::string(name),
                     value](SettingsDocument& document) -> ErrorCode {
                      SettingsKey* key = FindKey(document, path);
                      if (key == nullptr) return ENOENT;
                      SetKeyValue(*key, name, value);
                      return 0;
                    });
}

ErrorCode RegistryKey::DeleteSubkey(std::string_view name) {
  if (!state_) return EBADF;
  if (name.empty()) return kErrorInvalidParameter;
  std::string child = state_->path + "\\" + std::string(name);
  StoreFile file;
  if (ErrorCode code = FindStoreFile(child, file)) return code;
  return MakeChange(file, [child](SettingsDocument& document) -> ErrorCode {
    return RemoveKey(document, child);
  });
}

ErrorCode OpenRegistryKey(std::string_view path, RegistryAccess access, RegistryKey& key) {
  key.Close();
  std::string normalized = NormalizeKeyPath(path);
  StoreFile file;
  if (ErrorCode code = FindStoreFile(normalized, file)) return code;
  SettingsDocument document;
  if (ErrorCode code = ViewDocument(file, document)) return code;
  if (FindKey(document, normalized) == nullptr) return ENOENT;
  key.state_ = std::make_unique<RegistryKey::State>(
      RegistryKey::State{std::move(file), std::move(normalized), access});
  return 0;
}

ErrorCode CreateRegistryKey(std::string_view path, RegistryKey& key) {
  key.Close();
  std::string normalized = NormalizeKeyPath(path);
  if (HasControlCharacter(normalized)) return kErrorInvalidParameter;
  StoreFile file;
  if (ErrorCode code = FindStoreFile(normalized, file)) return code;
  SettingsDocument document;
  if (ErrorCode code = ViewDocument(file, document)) return code;
  if (FindKey(document, normalized) == nullptr) {
    ErrorCode code = MakeChange(file, [normalized](SettingsDocument& changed) -> ErrorCode {
      AddKey(changed, normalized);
      return 0;
    });
    if (code != 0) return code;
  }
  key.state_ = std::make_unique<RegistryKey::State>(
      RegistryKey::State{std::move(file), std::move(normalized), RegistryAccess::readWrite});
  return 0;
}

RegistryBatch::RegistryBatch() : outermost_(!g_batch) {
  if (outermost_) g_batch.emplace();
}

RegistryBatch::~RegistryBatch() { Commit(); }

ErrorCode RegistryBatch::Commit() {
  if (!outermost_) return 0;
  outermost_ = false;
  std::map<std::string, PendingChanges> batch = std::move(*g_batch);
  g_batch.reset();
  ErrorCode first = 0;
  for (const auto& [path, pending] : batch) {
    ErrorCode code = CommitChanges(pending.file, pending.changes);
    if (first == 0) first = code;
  }
  return first;
}

std::string RegistryStoreLocation(std::string_view keyPath) {
  StoreFile file;
  if (FindStoreFile(NormalizeKeyPath(keyPath), file) != 0) return {};
  return file.path;
}

void InjectSettingsFileFault(SettingsFileFault fault) { g_fault = fault; }

}  // namespace platform
