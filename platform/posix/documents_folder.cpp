#include "platform/documents_folder.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string_view>

namespace platform {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// XDG_DOCUMENTS_DIR="$HOME/Documents" in user-dirs.dirs, as xdg-user-dirs writes it: a
// quoted absolute path or one relative to $HOME.
std::optional<std::string> DocumentsFromUserDirs(const std::string& home) {
  std::string config = Environment("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') config = home + "/.config";
  std::ifstream file(config + "/user-dirs.dirs");
  constexpr std::string_view kPrefix = "XDG_DOCUMENTS_DIR=\"";
  for (std::string line; std::getline(file, line);) {
    if (line.compare(0, kPrefix.size(), kPrefix) != 0 || line.back() != '"') continue;
    std::string value = line.substr(kPrefix.size(), line.size() - kPrefix.size() - 1);
    if (value.compare(0, 5, "$HOME") == 0) return home + value.substr(5);
    if (!value.empty() && value[0] == '/') return value;
  }
  return std::nullopt;
}

}  // namespace

std::string DocumentsFolder() {
  std::string home = Environment("HOME");
  std::string documents = Environment("XDG_DOCUMENTS_DIR");
  if (documents.empty() && !home.empty()) documents = DocumentsFromUserDirs(home).value_or("");
  return IsFolder(documents) ? documents : home;
}

}  // namespace platform
