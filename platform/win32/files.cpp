#include "platform/files.h"

#include "platform/unicode.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/windows_support.h"

namespace platform {
namespace {

HANDLE Win32Handle(FileHandle handle) { return reinterpret_cast<HANDLE>(handle); }

ErrorCode OpenWith(const std::string& path, DWORD access, DWORD sharing, DWORD creation,
                   FileHandle& handle) {
  // The path is used as given: no long-path prefix is added for opening.
  ScopedFile file(CreateFileW(Widen(path).c_str(), access, sharing, nullptr, creation, 0, nullptr));
  if (!file) return GetLastError();
  // A device name (NUL, CON, COM1, \\.\...) or a pipe opens like a file, but reading the
  // console or a port waits for input that may never come, and the null device keeps nothing.
  if (GetFileType(file.Get()) != FILE_TYPE_DISK) return kErrorNotRegularFile;
  handle = reinterpret_cast<FileHandle>(file.Take());
  return 0;
}

// The path to ask the system about: a long one in its "\\?\" form, made absolute first,
// since the system takes that form literally (no relative parts, no '/').
std::wstring QueryPath(const std::string& path) {
  if (Utf16Length(path) < kLongPathLength || path.starts_with(kLongPathPrefix)) {
    return Widen(path);
  }
  return Widen(ExtendedLengthPath(AbsolutePath(path)));
}

// Search patterns are for listing folders; a path with wildcards names no single file.
bool HasWildcards(const std::string& path) {
  std::string_view name = path;
  if (name.starts_with(kLongPathPrefix)) name.remove_prefix(kLongPathPrefix.size());
  return name.find_first_of("*?") != std::string_view::npos;
}

}  // namespace

ErrorCode MarkExecutable(const std::string&) { return 0; }

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  const std::wstring wide = Widen(path);
  DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  size = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  full.resize(size);
  return Narrow(full);
}

ErrorCode OpenForReading(const std::string& path, FileHandle& handle) {
  return OpenWith(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, handle);
}

ErrorCode OpenForWriting(const std::string& path, FileHandle& handle) {
  return OpenWith(path, GENERIC_WRITE, 0, CREATE_ALWAYS, handle);
}

ErrorCode CloseFileHandle(FileHandle handle) {
  return CloseHandle(Win32Handle(handle)) ? 0 : GetLastError();
}

ErrorCode ReadBytes(FileHandle handle, void* buffer, std::uint32_t size, std::uint32_t& read) {
  DWORD count = 0;
  BOOL ok = ReadFile(Win32Handle(handle), buffer, size, &count, nullptr);
  read = count;
  return ok ? 0 : GetLastError();
}

ErrorCode WriteBytes(FileHandle handle, const void* buffer, std::uint32_t size,
                     std::uint32_t& written) {
  DWORD count = 0;
  BOOL ok = WriteFile(Win32Handle(handle), buffer, size, &count, nullptr);
  written = count;
  return ok ? 0 : GetLastError();
}

ErrorCode SeekTo(FileHandle handle, std::int64_t offset, SeekOrigin origin,
                 std::uint64_t& position) {
  DWORD method = origin == SeekOrigin::Begin     ? FILE_BEGIN
                 : origin == SeekOrigin::Current ? FILE_CURRENT
                                                 : FILE_END;
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER result;
  if (!SetFilePointerEx(Win32Handle(handle), distance, &result, method)) return GetLastError();
  position = static_cast<std::uint64_t>(result.QuadPart);
  return 0;
}

ErrorCode FileLength(FileHandle handle, std::uint64_t& length) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(Win32Handle(handle), &size)) return GetLastError();
  length = static_cast<std::uint64_t>(size.QuadPart);
  return 0;
}

ErrorCode FlushToDisk(FileHandle handle) {
  return FlushFileBuffers(Win32Handle(handle)) ? 0 : GetLastError();
}

// Windows gives programs no flush of a folder's entries alone.
ErrorCode FlushFolder(const std::string&) { return 0; }

// The system writes a file's cached bytes on its own schedule; asking earlier would mean a
// full flush, which waits.
void StartWriteBack(FileHandle, std::uint64_t, std::uint64_t) {}

void SettleWrittenBack(FileHandle, std::uint64_t, std::uint64_t) {}

ErrorCode SetFileLength(FileHandle handle, std::uint64_t length) {
  FILE_END_OF_FILE_INFO end;
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(length);
  return SetFileInformationByHandle(Win32Handle(handle), FileEndOfFileInfo, &end, sizeof end)
             ? 0
             : GetLastError();
}

ErrorCode RemoveFile(const std::string& path) {
  return DeleteFileW(Widen(path).c_str()) ? 0 : GetLastError();
}

ErrorCode CreateNewForWriting(const std::string& path, FileHandle& handle) {
  HANDLE file = CreateFileW(QueryPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  handle = reinterpret_cast<FileHandle>(file);
  return 0;
}

ErrorCode MoveIntoPlace(const std::string& from, const std::string& to) {
  return MoveFileExW(QueryPath(from).c_str(), QueryPath(to).c_str(), MOVEFILE_REPLACE_EXISTING)
             ? 0
             : GetLastError();
}

ErrorCode CheckReplaceable(const std::string& path) {
  const std::wstring query = QueryPath(path);
  const DWORD attributes = GetFileAttributesW(query.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return 0;  // creating beside it tells what is wrong
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return kErrorAccessDenied;
  // Opening for writing truncates nothing and tells what writing over the file would meet.
  const ScopedFile file(
      CreateFileW(query.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  return file ? 0 : GetLastError();
}

// A file held open without sharing cannot be deleted: the system refuses with a sharing
// violation.
ErrorCode RemoveFileUnlessHeld(const std::string& path) {
  return DeleteFileW(QueryPath(path).c_str()) ? 0 : GetLastError();
}

std::vector<std::string> FileNamesStartingWith(const std::string& folder,
                                               const std::string& prefix) {
  std::vector<std::string> names;
  if (prefix.find_first_of("*?") != std::string::npos) return names;
  std::string pattern = folder;
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  pattern += prefix + "*";
  WIN32_FIND_DATAW entry;
  const ScopedFind search(FindFirstFileW(QueryPath(pattern).c_str(), &entry));
  if (!search) return names;
  do {
    // The system matches without regard to case, and short names too.
    std::string name = Narrow(entry.cFileName);
    if (name.starts_with(prefix)) names.push_back(std::move(name));
  } while (FindNextFileW(search.Get(), &entry));
  return names;
}

PathKind QueryPathKind(const std::string& path) {
  DWORD attributes = GetFileAttributesW(QueryPath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  return attributes & FILE_ATTRIBUTE_DIRECTORY ? PathKind::Folder : PathKind::File;
}

ErrorCode SizeFromDirectoryEntry(const std::string& path, std::uint64_t& size) {
  if (HasWildcards(path)) return kErrorInvalidName;
  WIN32_FIND_DATAW entry;
  const ScopedFind search(FindFirstFileW(QueryPath(path).c_str(), &entry));
  if (!search) return GetLastError();
  size = (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
  return 0;
}

SameFileMatcher::SameFileMatcher(const std::string& path)
    : identity_(IdentityOf(path)), resolved_(AbsolutePath(path)) {}

bool SameFileMatcher::Matches(const std::string& other) {
  const std::optional<Identity> identity = IdentityOf(other);
  if (identity && identity_) return identity == identity_;
  const std::wstring first = Widen(ResolvedName(other));
  const std::wstring second = Widen(resolved_);
  return CompareStringOrdinal(first.c_str(), -1, second.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The volume and file index of an existing file or folder. Opened without access rights,
// which no sharing mode refuses, so a file held by this or another program is found too.
std::optional<SameFileMatcher::Identity> SameFileMatcher::IdentityOf(const std::string& path) {
  const ScopedFile file(CreateFileW(QueryPath(path).c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(file.Get(), &information)) return std::nullopt;
  return Identity{
      information.dwVolumeSerialNumber,
      (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

// The system resolves "." and ".." parts without asking the disk, so nothing is kept.
std::string SameFileMatcher::ResolvedName(const std::string& path) { return AbsolutePath(path); }

}  // namespace platform
