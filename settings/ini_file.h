#pragma once
// A reader of one user-edited INI file, the optional configuration file.

#include <string>
#include <string_view>
#include <vector>

class IniFile {
 public:
  explicit IniFile(std::string filePath) : filePath_(std::move(filePath)) {}

  const std::string& FilePath() const { return filePath_; }

  // The section's entries in file order: for each line "name = value", the text before the
  // first "=" and the text after it, both trimmed. Lines that begin with ";" (after blanks)
  // and lines without "=" are left out. Whether the section could be read and is not empty.
  bool ReadSection(std::string_view section, std::vector<std::string>& names,
                   std::vector<std::string>& values) const;

 private:
  std::string filePath_;
};
