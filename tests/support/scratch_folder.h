#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it at the end.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

// Creates or replaces a file with the bytes given.
void WriteWholeFile(const std::string& path, const void* data, std::size_t size);
// The bytes of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& path);

// The names of the files in a folder, sorted.
std::vector<std::string> Listing(const std::filesystem::path& folder);

class ScratchFolder {
 public:
  ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder();

  const std::filesystem::path& Path() const { return path_; }
  std::string PathText() const { return path_.string(); }
  // Creates (or replaces) a file in the folder and returns its path.
  std::string Write(const std::string& name, const void* data, std::size_t size) const;

 private:
  std::filesystem::path path_;
};
