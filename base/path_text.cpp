#include "base/path_text.h"

#include <algorithm>

#include "platform/plain_text.h"

namespace {

// Position just after the last separator of either platform; 0 when there is none.
std::size_t FileNameStart(std::string_view path) {
  std::size_t separator = path.find_last_of("\\/");
  return separator == std::string_view::npos ? 0 : separator + 1;
}

// Windows opens the device for its name whatever extension follows, and ignores the blanks
// before the extension.
bool IsWindowsDeviceName(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (const std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (platform::EqualIgnoringCase(base, device)) return true;
  }
  if (base.size() < 4) return false;
  const std::string_view port = base.substr(0, 3);
  if (!platform::EqualIgnoringCase(port, "COM") && !platform::EqualIgnoringCase(port, "LPT"))
    return false;
  const std::string_view number = base.substr(3);
  // A digit, or superscript one, two or three (in UTF-8).
  return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
         number == "\xC2\xB2" || number == "\xC2\xB3";
}

bool IsValidWindowsFileName(std::string_view name) {
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
  }
  if (name.find_first_of("<>:\"/\\|?*") != std::string_view::npos) return false;
  if (name.back() == '.' || name.back() == ' ') return false;
  return !IsWindowsDeviceName(name);
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

bool IsValidFileName(std::string_view name, platform::PathStyle style) {
  if (name.empty() || name == "." || name == "..") return false;
  if (style == platform::PathStyle::windows) return IsValidWindowsFileName(name);
  return name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

void AddSearchFolder(std::vector<std::string>& folders, const std::string& folder) {
  if (std::ranges::find(folders, folder) == folders.end()) folders.push_back(folder);
}
