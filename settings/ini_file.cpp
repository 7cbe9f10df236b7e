#include "settings/ini_file.h"

#include <algorithm>

#include "platform/plain_text.h"
#include "platform/profile_section.h"

bool IniFile::ReadSection(std::string_view section, std::vector<std::string>& names,
                          std::vector<std::string>& values) const {
  names.clear();
  values.clear();
  std::vector<std::string> lines;
  if (!platform::ReadProfileSection(filePath_, section, lines)) return false;
  for (std::string_view line : lines) {
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    std::size_t equals = line.find('=');
    if (line.empty() || line[0] == ';' || equals == std::string_view::npos) continue;
    names.emplace_back(platform::Trim(line.substr(0, equals)));
    values.emplace_back(platform::Trim(line.substr(equals + 1)));
  }
  return true;
}
