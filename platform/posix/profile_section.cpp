#include "platform/profile_section.h"

#include <fstream>
#include <iterator>

#include "platform/plain_text.h"
#include "platform/unicode.h"

namespace platform {

namespace {

// The file's text in UTF-8, whichever of the two encodings it is in.
std::string DecodeProfileText(const std::string& bytes) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    std::u16string units;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return Utf16ToUtf8(units);
  }
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
  return bytes;
}

bool IsHeaderOf(std::string_view line, std::string_view section) {
  std::size_t close = line.find(']');
  return line.size() >= 2 && line[0] == '[' && close != std::string_view::npos &&
         EqualIgnoringCase(Trim(line.substr(1, close - 1)), section);
}

}  // namespace

bool ReadProfileSection(const std::string& filePath, std::string_view section,
                        std::vector<std::string>& lines) {
  lines.clear();
  std::ifstream file(filePath, std::ios::binary);
  if (!file) return false;
  std::string text = DecodeProfileText(
      std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
  std::string_view rest = text;
  bool inside = false;
  // Each line costs its characters and a separating null, and the list a closing null.
  std::size_t used = 1;
  while (!rest.empty()) {
    std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view trimmed = Trim(line);
    if (!trimmed.empty() && trimmed[0] == '[') {
      if (inside) break;
      inside = IsHeaderOf(trimmed, section);
      continue;
    }
    if (!inside || trimmed.empty()) continue;
    std::size_t units = Utf16Length(line);
    if (used + units + 1 > kProfileSectionCapacity) break;
    used += units + 1;
    lines.emplace_back(line);
  }
  return !lines.empty();
}

}  // namespace platform
