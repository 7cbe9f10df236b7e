// "S&et to Destination Free Space" on the real Split page, over the memory disks that
// tests/win32/free_space_disks.sh mounts, seen through Wine's drive mapping.

#include <gtest/gtest.h>

#include <string>

#include "engine/disk_space.h"
#include "platform/system_error.h"
#include "res/resource.h"
#include "tests/win32/window_driver.h"

namespace {

std::string Disk(const char* name) { return std::string(PW_FREE_SPACE_DISKS) + "/" + name + "/"; }

TEST(FreeSpaceButton, SetsTheFreeSpaceOfTheDestinationDiskOrSaysItIsFull) {
  if (GetFreeSpaceAt(Disk("room"), true) != 8192u) GTEST_SKIP() << "the disks are not mounted";
  SheetDriver driver(0, {}, ProgramKind::full);
  const Window button = driver.PageItem(IDC_SET_TO_FREE_SPACE);
  // Not in count mode, nor without a folder that exists.
  driver.ClickPage(IDC_USE_SOURCE_FOLDER);
  driver.Type(IDC_DESTINATION, Disk("room"));
  EXPECT_FALSE(button.IsEnabled());
  driver.ClickPage(IDC_BY_SIZE);
  EXPECT_TRUE(button.IsEnabled());
  driver.Type(IDC_DESTINATION, Disk("none"));
  EXPECT_FALSE(button.IsEnabled());

  driver.Type(IDC_DESTINATION, Disk("room"));
  driver.ClickPage(IDC_SET_TO_FREE_SPACE);
  EXPECT_EQ(driver.PageText(IDC_MAX_FILE_SIZE), "8,192 (8 KB)");
  driver.Type(IDC_DESTINATION, Disk("huge"));
  driver.ClickPage(IDC_SET_TO_FREE_SPACE);
  EXPECT_EQ(driver.PageText(IDC_MAX_FILE_SIZE), "107,374,182,400 (100 GB)");

  // 4,096 bytes free: less than the smallest split file. The box keeps its size.
  driver.Type(IDC_DESTINATION, Disk("full"));
  driver.Prompter().answers.push_back({kButtonOk, {}});
  driver.ClickPage(IDC_SET_TO_FREE_SPACE);
  ASSERT_EQ(driver.Prompter().questions.size(), 1u);
  EXPECT_EQ(driver.Prompter().questions[0],
            platform::SystemErrorText(platform::kErrorDiskFull).value_or("?") + "\r\n\r\n\t" +
                Disk("full"));
  EXPECT_EQ(driver.PageText(IDC_MAX_FILE_SIZE), "107,374,182,400 (100 GB)");
}

}  // namespace
