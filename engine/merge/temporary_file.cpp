#include "engine/merge/temporary_file.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "base/path_text.h"
#include "engine/file64.h"
#include "platform/files.h"

namespace {

constexpr std::string_view kTemporaryMark = ".partwell-";
constexpr std::size_t kSuffixLength = 6;
// Leaves room for the mark and the suffix within the 255 units a name may have anywhere.
constexpr std::size_t kLongestNamePart = 200;

// At most kLongestNamePart bytes, not cutting a UTF-8 sequence.
std::string ShortenedName(std::string name) {
  if (name.size() <= kLongestNamePart) return name;
  std::size_t end = kLongestNamePart;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  name.resize(end);
  return name;
}

bool IsRandomSuffix(std::string_view suffix) {
  return suffix.size() == kSuffixLength && std::ranges::all_of(suffix, [](char character) {
           return std::isalnum(static_cast<unsigned char>(character)) != 0;
         });
}

}  // namespace

std::string TemporaryNamePrefix(const std::string& target) {
  return FolderPart(target) + "." + ShortenedName(FileNamePart(target)) +
         std::string(kTemporaryMark);
}

void RemoveStaleTemporaries(const std::string& target) {
  const std::string prefix = TemporaryNamePrefix(target);
  const std::string folder = FolderPart(prefix);
  const std::string namePrefix = FileNamePart(prefix);
  for (const std::string& name : platform::FileNamesStartingWith(folder, namePrefix)) {
    if (IsRandomSuffix(std::string_view(name).substr(namePrefix.size()))) {
      platform::RemoveFileUnlessHeld(folder + name);
    }
  }
}

std::string CreateTemporaryFor(const std::string& target, CFile64& file) {
  platform::FileHandle handle = platform::kInvalidFileHandle;
  std::string path;
  if (const platform::ErrorCode code =
          platform::CreateUniqueFile(TemporaryNamePrefix(target), handle, path)) {
    RaiseFileError(platform::FileErrorCauseFor(code), target);
  }
  file.Attach(handle, target);
  return path;
}

void TemporaryFiles::Release(const std::string& path) { std::erase(paths_, path); }

void TemporaryFiles::RemoveAll() {
  for (const std::string& path : paths_) platform::RemoveFile(path);
  paths_.clear();
}
