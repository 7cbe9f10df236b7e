#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>

#include "platform/posix/descriptor.h"
#include "platform/posix/registry_file.h"
#include "platform/posix/settings_file.h"

namespace platform {

namespace {

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

// A settings file as last read or written by this process. It is read again only when it
// changed on disk, so every value of a run comes from one reading.
struct CachedFile {
  bool read = false;
  std::optional<FileStamp> stamp;  // none when there is no file
  // Why the file that is there was not read; such a file is neither used nor replaced.
  ErrorCode problem = 0;
  SettingsDocument document;
};
std::map<std::string, CachedFile> g_files;

bool IsCurrent(const CachedFile& cached, const std::string& path) {
  if (!cached.read) return false;
  FileStamp stamp;
  ErrorCode code = StampSettingsFile(path, stamp);
  if (code == ENOENT) return !cached.stamp && cached.problem == 0;
  return code == 0 && cached.stamp && *cached.stamp == stamp;
}

// The document as stored; a missing file is an empty document.
CachedFile& StoredDocument(const std::string& path) {
  CachedFile& cached = g_files[path];
  if (IsCurrent(cached, path)) return cached;
  std::string bytes;
  FileStamp stamp;
  ErrorCode code = ReadSettingsFile(path, bytes, stamp);
  cached = {};
  cached.read = true;
  if (code == 0) {
    cached.stamp = stamp;
    cached.document = ParseSettingsDocument(bytes);
  } else if (code != ENOENT) {
    cached.problem = code;
  }
  return cached;
}

ErrorCode MakeFolders(const std::string& folder) {
  for (std::size_t slash = 1; slash != std::string::npos;) {
    slash = folder.find('/', slash + 1);
    std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return static_cast<ErrorCode>(errno);
  }
  return 0;
}

// Holds the folder's lock so that two programs changing the same file do not lose each
// other's changes between reading and replacing it.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder) {
    // A signal may interrupt the open and the wait for the lock.
    fd_ = OpenResumed(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd_ >= 0 && flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock() {
    if (fd_ >= 0) close(fd_);
  }

 private:
  int fd_ = -1;
};

using Change = std::function<ErrorCode(SettingsDocument&)>;

// Changes held back by the open batch, per settings file, in the order they were made, and
// the document as they leave it.
struct PendingChanges {
  StoreFile file;
  std::vector<Change> changes;
  SettingsDocument view;
};
std::optional<std::map<std::string, PendingChanges>> g_batch;

PendingChanges* PendingFor(const StoreFile& file) {
  if (!g_batch) return nullptr;
  auto found = g_batch->find(file.path);
  return found == g_batch->end() ? nullptr : &found->second;
}

// The document as it stands, with the open batch's changes applied; null when the file is
// there but cannot be used.
const SettingsDocument* ViewDocument(const StoreFile& file, ErrorCode& code) {
  code = 0;
  if (const PendingChanges* pending = PendingFor(file)) return &pending->view;
  const CachedFile& cached = StoredDocument(file.path);
  code = cached.problem;
  return code == 0 ? &cached.document : nullptr;
}

// Applies the changes to the file as it stands now, and writes it only when that changes it.
ErrorCode CommitChanges(const StoreFile& file, const std::vector<Change>& changes) {
  if (ErrorCode code = MakeFolders(file.folder)) return code;
  FolderLock lock(file.folder);
  CachedFile& cached = StoredDocument(file.path);
  if (cached.problem != 0) return cached.problem;
  SettingsDocument document = cached.document;
  for (const Change& change : changes) change(document);
  if (!document.IsChanged()) return 0;
  const std::string bytes = FormatSettingsDocument(document);
  // Larger, it would be set aside at the next start.
  if (bytes.size() > kSettingsFileLimit) return kSettingsFileTooLarge;
  if (ErrorCode code = ReplaceSettingsFile(file.path, bytes)) return code;
  // What was written is what a new reading would give.
  FileStamp stamp;
  if (StampSettingsFile(file.path, stamp) != 0) {
    cached = {};
    return 0;
  }
  cached.stamp = stamp;
  cached.document = std::move(document);
  cached.document.MarkUnchanged();
  return 0;
}

// Makes a change: at once, or at the end of the open batch. The change is tried first on the
// document as it stands, so that its answer is known now.
ErrorCode MakeChange(const StoreFile& file, Change change) {
  ErrorCode code = 0;
  const SettingsDocument* current = ViewDocument(file, code);
  if (current == nullptr) return code;
  if (!g_batch) {
    SettingsDocument trial = *current;
    if (ErrorCode refused = change(trial)) return refused;
    return trial.IsChanged() ? CommitChanges(file, {change}) : 0;
  }
  PendingChanges* pending = PendingFor(file);
  if (pending == nullptr) {
    pending = &(*g_batch)[file.path];
    pending->file = file;
    pending->view = *current;
  }
  if (ErrorCode refused = change(pending->view)) return refused;
  pending->changes.push_back(std::move(change));
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
  ErrorCode code = 0;
  const SettingsDocument* document = ViewDocument(state_->file, code);
  if (document == nullptr) return code;
  if (!document->HasKey(state_->path)) return ENOENT;
  const RegistryValue* found = document->FindValue(state_->path, name);
  if (found == nullptr) return ENOENT;
  value = *found;
  return 0;
}

ErrorCode RegistryKey::SetValue(std::string_view name, const RegistryValue& value) {
  if (!state_) return EBADF;
  if (state_->access == RegistryAccess::query) return EACCES;
  if (HasControlCharacter(name)) return kErrorInvalidParameter;
  return MakeChange(state_->file, [path = state_->path, name = std::string(name),
                                   value](SettingsDocument& document) {
    return document.SetValue(path, name, value);
  });
}

ErrorCode RegistryKey::DeleteSubkey(std::string_view name) {
  if (!state_) return EBADF;
  if (name.empty()) return kErrorInvalidParameter;
  std::string child = state_->path + "\\" + std::string(name);
  StoreFile file;
  if (ErrorCode code = FindStoreFile(child, file)) return code;
  return MakeChange(file,
                    [child](SettingsDocument& document) { return document.RemoveKey(child); });
}

ErrorCode OpenRegistryKey(std::string_view path, RegistryAccess access, RegistryKey& key) {
  key.Close();
  std::string normalized = NormalizeKeyPath(path);
  StoreFile file;
  if (ErrorCode code = FindStoreFile(normalized, file)) return code;
  ErrorCode code = 0;
  const SettingsDocument* document = ViewDocument(file, code);
  if (document == nullptr) return code;
  if (!document->HasKey(normalized)) return ENOENT;
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
  ErrorCode code = MakeChange(file, [normalized](SettingsDocument& changed) -> ErrorCode {
    changed.AddKey(normalized);
    return 0;
  });
  if (code != 0) return code;
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
    if (!pending.view.IsChanged()) continue;
    ErrorCode code = CommitChanges(pending.file, pending.changes);
    if (first == 0) first = code;
  }
  return first;
}

RegistryStoreProblem CheckRegistryStore(std::string_view keyPath, ErrorCode& code) {
  code = 0;
  StoreFile file;
  if (FindStoreFile(NormalizeKeyPath(keyPath), file) != 0) return RegistryStoreProblem::none;
  code = StoredDocument(file.path).problem;
  switch (code) {
    case 0:
      return RegistryStoreProblem::none;
    case kSettingsFileTooLarge:
      return RegistryStoreProblem::tooLarge;
    case kSettingsFileNotRegular:
    case EISDIR:
      return RegistryStoreProblem::notAFile;
    default:
      return RegistryStoreProblem::unreadable;
  }
}

std::string RegistryStoreLocation(std::string_view keyPath) {
  StoreFile file;
  if (FindStoreFile(NormalizeKeyPath(keyPath), file) != 0) return {};
  return file.path;
}

}  // namespace platform
