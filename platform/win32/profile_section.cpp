#include "platform/profile_section.h"

#include "platform/win32/windows_support.h"

namespace platform {

bool ReadProfileSection(const std::string& filePath, std::string_view section,
                        std::vector<std::string>& lines) {
  lines.clear();
  // A relative name would be looked for in the Windows folder, not where it was found.
  std::wstring given = Widen(filePath);
  DWORD fullLength = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
  if (fullLength == 0) return false;
  std::wstring full(fullLength, L'\0');
  full.resize(GetFullPathNameW(given.c_str(), fullLength, full.data(), nullptr));
  std::wstring buffer(kProfileSectionCapacity, L'\0');
  DWORD length = GetPrivateProfileSectionW(Widen(section).c_str(), buffer.data(),
                                           static_cast<DWORD>(buffer.size()), full.c_str());
  // Null-separated lines, ended by a second null.
  std::wstring_view text(buffer.data(), length);
  while (!text.empty()) {
    std::size_t end = text.find(L'\0');
    if (end != 0) lines.push_back(Narrow(text.substr(0, end)));
    text.remove_prefix(end == std::wstring_view::npos ? text.size() : end + 1);
  }
  return !lines.empty();
}

}  // namespace platform
