#include "app/path_text.h"

namespace {

// Position just after the last separator of either platform; 0 when there is none.
std::size_t FileNameStart(std::string_view path) {
  std::size_t separator = path.find_last_of("\\/");
  return separator == std::string_view::npos ? 0 : separator + 1;
}

}  // namespace

std::string FileNamePart(std::string_view path) {
  return std::string(path.substr(FileNameStart(path)));
}

std::string FolderPart(std::string_view path) {
  return std::string(path.substr(0, FileNameStart(path)));
}

std::string ExtensionPart(std::string_view path) {
  std::string_view name = path.substr(FileNameStart(path));
  std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}
