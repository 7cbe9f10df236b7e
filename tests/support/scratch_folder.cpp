#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

ScratchFolder::ScratchFolder() {
  // Named after the test and made unique, as test processes run side by side.
  const auto* test = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = test != nullptr ? test->name() : "scratch";
  path_ = std::filesystem::temp_directory_path() /
          ("pw-" + name + "-" + std::to_string(std::random_device()()));
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchFolder::Write(const std::string& name, const void* data,
                                 std::size_t size) const {
  std::string file = (path_ / name).string();
  WriteWholeFile(file, data, size);
  return file;
}

void WriteWholeFile(const std::string& path, const void* data, std::size_t size) {
  std::ofstream(path, std::ios::binary)
      .write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

std::vector<std::string> Listing(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}
