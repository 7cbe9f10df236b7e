#include "platform/files.h"

#include <chrono>
#include <random>

#include "platform/unicode.h"

namespace platform {
namespace {

// Letters and digits only, so that the name means the same on every file system.
std::string RandomSuffix() {
  static std::mt19937_64 generator(
      std::random_device{}() ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  constexpr std::string_view kCharacters =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::uniform_int_distribution<std::size_t> pick(0, kCharacters.size() - 1);
  std::string suffix(6, ' ');
  for (char& character : suffix) character = kCharacters[pick(generator)];
  return suffix;
}

}  // namespace

ErrorCode CreateUniqueFile(const std::string& prefix, FileHandle& handle, std::string& path) {
  ErrorCode code = kErrorFileExists;
  for (int attempt = 0; attempt < 100 && code == kErrorFileExists; ++attempt) {
    path = prefix + RandomSuffix();
    code = CreateNewForWriting(path, handle);
  }
  return code;
}

bool IsSameFile(const std::string& first, const std::string& second) {
  return SameFileMatcher(second).Matches(first);
}

std::optional<std::string> FolderQueryPath(std::string_view path, PathStyle style) {
  std::string query(path);
  if (style == PathStyle::posix) {
    if (query.empty()) return std::nullopt;
    if (query.back() != '/') query += '/';
    return query;
  }
  bool hasSeparator = !query.empty() && (query.back() == '\\' || query.back() == '/');
  if (!hasSeparator) query += query.find('/') != std::string::npos ? '/' : '\\';
  if (query.size() == 1 || query == kLongPathPrefix) return std::nullopt;
  return query;
}

std::string ExtendedLengthPath(std::string_view path) {
  if (Utf16Length(path) < kLongPathLength || path.starts_with(kLongPathPrefix)) {
    return std::string(path);
  }
  if (path.starts_with("\\\\")) {
    return std::string(kLongPathPrefix) + "UNC\\" + std::string(path.substr(2));
  }
  return std::string(kLongPathPrefix) + std::string(path);
}

bool FileExists(const std::string& path) { return QueryPathKind(path) == PathKind::File; }

bool FolderExists(const std::string& path) {
  std::optional<std::string> query = FolderQueryPath(path);
  return query && QueryPathKind(*query) == PathKind::Folder;
}

}  // namespace platform
