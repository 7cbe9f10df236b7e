#pragma once
// A fresh folder under the system's temporary folder for one test, removed with everything in
// it when the test ends.

#include <filesystem>
#include <map>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/package_builder.h"

class ScratchFolder {
 public:
  ScratchFolder() {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    path_ = std::filesystem::temp_directory_path() /
            ("partwell_" + test + "_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(path_);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  const std::filesystem::path& Path() const { return path_; }
  // A folder inside, created when missing.
  std::filesystem::path Sub(const std::string& name) const {
    std::filesystem::create_directories(path_ / name);
    return path_ / name;
  }
  // Every file inside with its contents, by path relative to the folder.
  std::map<std::string, ByteString> Listing() const {
    std::map<std::string, ByteString> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_)) {
      if (entry.is_regular_file()) {
        files[entry.path().lexically_relative(path_).generic_string()] =
            ReadWholeFile(entry.path());
      }
    }
    return files;
  }

 private:
  std::filesystem::path path_;
};
