#include "platform/files.h"

#include "platform/unicode.h"
#include "platform/win32/windows_support.h"

namespace platform {
namespace {

HANDLE Win32Handle(FileHandle handle) { return reinterpret_cast<HANDLE>(handle); }

ErrorCode OpenWith(const std::string& path, DWORD access, DWORD sharing, DWORD creation,
                   FileHandle& handle) {
  // The path is used as given: no long-path prefix is added for opening.
  HANDLE file = CreateFileW(Widen(path).c_str(), access, sharing, nullptr, creation, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  // A device name (NUL, CON, COM1, \\.\...) or a pipe opens like a file, but reading the
  // console or a port waits for input that may never come, and the null device keeps nothing.
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return kErrorNotRegularFile;
  }
  handle = reinterpret_cast<FileHandle>(file);
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

struct FileIdentity {
  DWORD volume = 0;
  DWORD indexHigh = 0;
  DWORD indexLow = 0;
};

// The volume and file index of an existing file or folder. Opened without access rights,
// which no sharing mode refuses, so a file held by this or another program is found too.
bool IdentityOf(const std::string& path, FileIdentity& identity) {
  HANDLE file = CreateFileW(QueryPath(path).c_str(), 0,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information;
  const BOOL ok = GetFileInformationByHandle(file, &information);
  CloseHandle(file);
  if (!ok) return false;
  identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh,
              information.nFileIndexLow};
  return true;
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

PathKind QueryPathKind(const std::string& path) {
  DWORD attributes = GetFileAttributesW(QueryPath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  return attributes & FILE_ATTRIBUTE_DIRECTORY ? PathKind::Folder : PathKind::File;
}

ErrorCode SizeFromDirectoryEntry(const std::string& path, std::uint64_t& size) {
  if (HasWildcards(path)) return kErrorInvalidName;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(QueryPath(path).c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return GetLastError();
  FindClose(search);
  size = (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
  return 0;
}

bool IsSameFile(const std::string& first, const std::string& second) {
  FileIdentity firstFile;
  FileIdentity secondFile;
  if (IdentityOf(first, firstFile) && IdentityOf(second, secondFile)) {
    return firstFile.volume == secondFile.volume && firstFile.indexHigh == secondFile.indexHigh &&
           firstFile.indexLow == secondFile.indexLow;
  }
  const std::wstring firstPath = Widen(AbsolutePath(first));
  const std::wstring secondPath = Widen(AbsolutePath(second));
  return CompareStringOrdinal(firstPath.c_str(), -1, secondPath.c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace platform
