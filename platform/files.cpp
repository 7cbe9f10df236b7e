#include "platform/files.h"

#include "platform/unicode.h"

namespace platform {

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

}  // namespace platform
