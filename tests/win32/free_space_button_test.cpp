#include <gtest/gtest.h>

#include <string>

#include "engine/disk_space.h"
#include "ui/split_checks.h"

namespace {

// The memory disks that tests/win32/free_space_disks.sh mounts, seen through Wine's drive
// mapping.
std::string Disk(const char* name) { return std::string(PW_FREE_SPACE_DISKS) + "/" + name + "/"; }

// What "S&et to Destination Free Space" sets for a folder; nothing means the disk-full message.
std::optional<std::uint64_t> SizeFor(const char* disk) {
  return SplitFileSizeForFreeSpace(GetFreeSpaceAt(Disk(disk), true));
}

TEST(FreeSpaceButton, SetsTheFreeSpaceOfTheDestinationDisk) {
  if (GetFreeSpaceAt(Disk("room"), true) != 8192u) GTEST_SKIP() << "the disks are not mounted";
  EXPECT_EQ(SizeFor("full"), std::nullopt);  // 4,096 bytes free
  EXPECT_EQ(SizeFor("room"), 8192u);
  EXPECT_EQ(SizeFor("huge"), 107374182400u);  // 200 GiB free
}

}  // namespace
