// Paths as the console programs take them from the command line, and the self-extracting
// master's right to run.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/files.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

bool OnWindows() { return std::string_view(PW_EXE_SUFFIX) == ".exe"; }

TEST(AbsolutePath, JoinsRelativePathsToTheCurrentFolder) {
  const std::string current = fs::current_path().string();
  const char separator = OnWindows() ? '\\' : '/';
  EXPECT_EQ(platform::AbsolutePath(""), "");
  EXPECT_EQ(platform::AbsolutePath("a.bin"), current + separator + "a.bin");
  EXPECT_EQ(platform::AbsolutePath("./a.bin"), current + separator + "a.bin");
  EXPECT_EQ(platform::AbsolutePath("sub" + std::string(1, separator) + "a.fsm"),
            current + separator + "sub" + separator + "a.fsm");
  const std::string absolute = OnWindows() ? "C:\\data\\a.bin" : "/data/a.bin";
  EXPECT_EQ(platform::AbsolutePath(absolute), absolute);
}

TEST(MarkExecutable, LetsThoseWhoMayReadRunTheFile) {
  ScratchFolder folder;
  const std::string path = folder.Write("master.exe", "MZ", 2);
  if (OnWindows()) {
    EXPECT_EQ(platform::MarkExecutable(path), 0);
    return;
  }
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(platform::MarkExecutable(path), 0);
  EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write |
                                                fs::perms::owner_exec | fs::perms::group_read |
                                                fs::perms::group_exec);
  EXPECT_NE(platform::MarkExecutable(folder.PathText() + "/missing"), 0);
}

}  // namespace
