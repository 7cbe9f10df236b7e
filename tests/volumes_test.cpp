#include "platform/volumes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/scratch_folder.h"

namespace {

bool OnWindows() { return std::string_view(PW_EXE_SUFFIX) == ".exe"; }

TEST(Volumes, FreeSpaceIsKnownForExistingFoldersOnly) {
  ScratchFolder folder;
  std::string existing = folder.PathText();
  std::string missing = (folder.Path() / "missing" / "deeper").string();
  for (const std::string& path : {existing, existing + "/", std::string()}) {
    SCOPED_TRACE(path);
    std::optional<std::uint64_t> free = platform::FreeBytesAvailable(path);
    ASSERT_TRUE(free.has_value());
    EXPECT_GT(*free, 0u);
  }
  EXPECT_FALSE(platform::FreeBytesAvailable(missing).has_value());
  EXPECT_FALSE(platform::FreeBytesAvailable(missing + "/").has_value());
}

TEST(Volumes, LongFolderPathsAreAnsweredToo) {
  ScratchFolder folder;
  std::filesystem::path deep = folder.Path();
  for (char part : {'a', 'b', 'c'}) deep /= std::string(100, part);
  std::filesystem::create_directories(deep);
  ASSERT_GT(deep.string().size(), 300u);
  EXPECT_TRUE(platform::FreeBytesAvailable(deep.string()).has_value());
  EXPECT_EQ(platform::IsOnFixedDrive(deep.string()), platform::IsOnFixedDrive(folder.PathText()));
}

TEST(Volumes, PseudoFileSystemIsNotFixed) {
  if (OnWindows()) GTEST_SKIP() << "POSIX file systems only";
  EXPECT_FALSE(platform::IsOnFixedDrive("/proc"));
  EXPECT_FALSE(platform::IsOnFixedDrive("/proc/self/missing/"));
}

TEST(Volumes, TemporaryFolderOfWindowsIsOnAFixedDrive) {
  if (!OnWindows()) GTEST_SKIP() << "drive letters only";
  ScratchFolder folder;
  EXPECT_TRUE(platform::IsOnFixedDrive(folder.PathText()));
  EXPECT_TRUE(platform::IsOnFixedDrive((folder.Path() / "not" / "yet").string()));
}

// A file system mounted on a scratch folder for one test; mounting needs root, so the test is
// skipped without it.
class MountedVolume : public testing::Test {
 protected:
  // Runs the commands that mount the volume; the caller returns when the test is skipped.
  void Mount(const std::vector<std::string>& commands) {
    if (OnWindows()) GTEST_SKIP() << "POSIX mounts only";
    for (const std::string& command : commands) {
      if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) {
        GTEST_SKIP() << "cannot run (root needed): " << command;
      }
    }
    mounted_ = true;
  }
  void TearDown() override {
    if (mounted_) std::system(("umount " + Point() + " >/dev/null 2>&1").c_str());
  }
  std::string Point() const { return (scratch_.Path() / "volume").string(); }
  std::string Image() const { return (scratch_.Path() / "disk.img").string(); }

  ScratchFolder scratch_;
  bool mounted_ = false;
};

TEST_F(MountedVolume, SmallTmpfsIsNotFixedAndReportsItsOwnFreeSpace) {
  Mount({"mkdir " + Point(), "mount -t tmpfs -o size=1m partwell-test " + Point()});
  if (IsSkipped()) return;
  constexpr std::uint64_t kMiB = 1024 * 1024;
  std::optional<std::uint64_t> empty = platform::FreeBytesAvailable(Point());
  ASSERT_TRUE(empty.has_value());
  EXPECT_LE(*empty, kMiB);
  EXPECT_GE(*empty, kMiB - 64 * 1024);

  std::vector<char> data(256 * 1024, 'x');
  WriteWholeFile(Point() + "/quarter", data.data(), data.size());
  std::optional<std::uint64_t> after = platform::FreeBytesAvailable(Point() + "/");
  ASSERT_TRUE(after.has_value());
  EXPECT_LE(*after, *empty - data.size());

  EXPECT_FALSE(platform::IsOnFixedDrive(Point()));
  EXPECT_FALSE(platform::IsOnFixedDrive(Point() + "/not/yet/"));
  EXPECT_FALSE(platform::FreeBytesAvailable(Point() + "/not/yet/").has_value());
}

TEST_F(MountedVolume, LocalDiskIsFixedAlsoBelowFoldersNotYetMade) {
  Mount({"mkdir " + Point(), "truncate -s 8M " + Image(), "mkfs.ext4 -q " + Image(),
         "mount -o loop " + Image() + " " + Point()});
  if (IsSkipped()) return;
  EXPECT_TRUE(platform::IsOnFixedDrive(Point()));
  EXPECT_TRUE(platform::IsOnFixedDrive(Point() + "/not/yet/"));
  std::optional<std::uint64_t> free = platform::FreeBytesAvailable(Point());
  ASSERT_TRUE(free.has_value());
  EXPECT_LT(*free, 8u * 1024 * 1024);
}

}  // namespace
