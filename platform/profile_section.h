#pragma once
// One section of an INI file, read as GetPrivateProfileSectionW reads it.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// At most this many characters of a section are read, as the buffer of the original holds.
inline constexpr std::size_t kProfileSectionCapacity = 32767;

// The lines of the first section of that name (found without regard to case), blank lines
// left out; false when the file or the section cannot be read or the section is empty.
// GetPrivateProfileSectionW on Windows; on POSIX our own reader of UTF-8 files (a byte-order
// mark is skipped) and UTF-16LE files that begin with their byte-order mark.
bool ReadProfileSection(const std::string& filePath, std::string_view section,
                        std::vector<std::string>& lines);

}  // namespace platform
