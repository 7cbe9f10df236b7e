// The Split page as a user meets it: the live plan while typing, the reasons why there is
// none in the status box, the size list, and a split from the window that merges back.

#include <gtest/gtest.h>

#include <filesystem>

#include "base/text_format.h"
#include "engine/merge/merger.h"
#include "res/resource.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/scripted_host.h"
#include "tests/support/split_package.h"
#include "tests/win32/window_driver.h"

// After <windows.h>, which it needs.
#include <commctrl.h>

namespace {

int ListCount(SheetDriver& driver) {
  return static_cast<int>(driver.PageItem(IDC_MAX_FILE_SIZE).Send(CB_GETCOUNT));
}

class SplitPage : public ::testing::Test {
 protected:
  SplitPage() {
    const Bytes bytes = SourceBytes(1'000'000, 11);
    original_.assign(bytes.begin(), bytes.end());
    source_ = scratch_.Write("movie.avi", original_.data(), original_.size());
  }

  std::string Folder() const { return scratch_.PathText() + "\\"; }

  ScratchFolder scratch_;
  std::string original_, source_;
};

TEST_F(SplitPage, PlansWhileTypingAndSplitsWhatTheMergeTakesBack) {
  SheetDriver driver(0, source_, ProgramKind::full);
  EXPECT_EQ(driver.ButtonText(IDC_ACTION_BUTTON), "&Split");
  EXPECT_FALSE(driver.SheetButton(IDC_VERIFY_BUTTON).IsVisible());
  EXPECT_EQ(driver.PageText(IDC_STATUS), "");
  EXPECT_EQ(driver.PageText(IDC_BYTE_SIZE), "1,000,000 (976.56 KB)");
  EXPECT_EQ(driver.PageText(IDC_NAME), "movie.avi");
  EXPECT_EQ(driver.PageText(IDC_DESTINATION), scratch_.PathText() + "\\");
  // Count mode (3 files on first run): the size box shows the size that gives them, and that
  // size is stored although nothing was split.
  EXPECT_TRUE(driver.PageItem(IDC_BY_COUNT).IsChecked());
  EXPECT_FALSE(driver.PageItem(IDC_MAX_FILE_SIZE).IsEnabled());
  EXPECT_FALSE(driver.PageItem(IDC_SET_TO_FREE_SPACE).IsEnabled());
  const std::string threeFiles = driver.PageText(IDC_MAX_FILE_SIZE);
  driver.Type(IDC_FILE_COUNT, "5");
  EXPECT_NE(driver.PageText(IDC_MAX_FILE_SIZE), threeFiles);
  EXPECT_EQ(driver.Prefs().splitFileCount, 5);
  const std::uint64_t planned = driver.Prefs().splitMaxFileSize;
  EXPECT_LT(planned, 1'000'000u / 3);

  driver.ClickSheet(IDC_ACTION_BUTTON);
  EXPECT_EQ(driver.PageText(IDC_STATUS), "The operation was completed.");
  EXPECT_TRUE(driver.Prompter().questions.empty());
  EXPECT_TRUE(std::filesystem::exists(Folder() + "movie.avi_00004.fss"));
  EXPECT_FALSE(std::filesystem::exists(Folder() + "movie.avi_00005.fss"));

  std::filesystem::remove(source_);
  ScriptedHost host;
  Merger().Merge(host, Folder() + "movie.avi_00000.fsm", source_, MergeOptions{});
  EXPECT_EQ(ReadWholeFile(source_), original_);
}

// Checksums and recovery files from the page: the plan shows the volumes the split then writes,
// and a merge rebuilds a lost piece from them.
TEST_F(SplitPage, RecoveryFilesArePlannedWrittenAndRebuildALostPiece) {
  SheetDriver driver(0, source_, ProgramKind::full);
  EXPECT_FALSE(driver.PageItem(IDC_RECOVERY_PERCENT).IsEnabled());
  EXPECT_EQ(driver.PageText(IDC_RECOVERY_PERCENT), "10");
  EXPECT_EQ(driver.PageText(IDC_RECOVERY_VOLUMES), "");
  driver.ClickPage(IDC_WRITE_CHECKSUMS);
  driver.ClickPage(IDC_RECOVERY);
  EXPECT_TRUE(driver.PageItem(IDC_RECOVERY_PERCENT).IsEnabled());
  const std::string percentRange =
      "The recovery files' share of the split files must be an integer between 1 and 100 "
      "percent.";
  for (const char* typed : {"", "0", "101"}) {
    driver.Type(IDC_RECOVERY_PERCENT, typed);
    EXPECT_EQ(driver.PageText(IDC_STATUS), percentRange) << typed;
    EXPECT_EQ(driver.PageText(IDC_RECOVERY_VOLUMES), "") << typed;
  }
  // Half of the 3 files: 2 volumes.
  driver.Type(IDC_RECOVERY_PERCENT, "50");
  EXPECT_EQ(driver.PageText(IDC_STATUS), "");
  const std::string planned = driver.PageText(IDC_RECOVERY_VOLUMES);

  driver.ClickSheet(IDC_ACTION_BUTTON);
  EXPECT_EQ(driver.PageText(IDC_STATUS), "The operation was completed.");
  EXPECT_TRUE(driver.Prefs().splitChecksums);
  EXPECT_TRUE(driver.Prefs().splitRecovery);
  EXPECT_EQ(driver.Prefs().splitRecoveryPercent, 50);
  EXPECT_TRUE(std::filesystem::exists(Folder() + "movie.avi.sha256"));
  EXPECT_TRUE(std::filesystem::exists(Folder() + "movie.avi.par2"));
  std::vector<std::string> volumes;
  for (const std::string& name : Listing(scratch_.Path())) {
    if (name.find(".vol") != std::string::npos) volumes.push_back(name);
  }
  ASSERT_EQ(volumes.size(), 2u);
  EXPECT_EQ(planned, "2 volumes of " +
                         FormatByteSizeLong(std::filesystem::file_size(Folder() + volumes[0])));

  std::filesystem::remove(source_);
  std::filesystem::remove(Folder() + "movie.avi_00001.fss");
  ScriptedHost host;
  Merger().Merge(host, Folder() + "movie.avi_00000.fsm", source_, MergeOptions{});
  EXPECT_EQ(ReadWholeFile(source_), original_);
}

TEST_F(SplitPage, WhatIsNoSizeOrNumberIsExplainedWhileTypingAndRefusedOnSplit) {
  SheetDriver driver(0, source_, ProgramKind::full);
  const auto status = [&] { return driver.PageText(IDC_STATUS); };
  const std::string countRange =
      "The number of split files must be an integer between 2 and 32,766.";
  driver.Type(IDC_FILE_COUNT, "32,767");
  EXPECT_EQ(status(), countRange);
  // The arrows stop at the largest number.
  driver.Type(IDC_FILE_COUNT, "32,766");
  driver.PageItem(IDC_FILE_COUNT).Send(WM_KEYDOWN, VK_UP);
  driver.PageItem(IDC_FILE_COUNT).Send(WM_KEYUP, VK_UP);
  FlushMessages();
  EXPECT_EQ(driver.PageText(IDC_FILE_COUNT), "32,766");
  for (const char* typed : {"", "1", "-3", "three"}) {
    driver.Type(IDC_FILE_COUNT, typed);
    EXPECT_EQ(status(), countRange) << typed;
  }

  // Size mode: the empty box gets the stored size.
  driver.Type(IDC_FILE_COUNT, "");
  driver.Prefs().splitMaxFileSize = 524'288;
  driver.PageItem(IDC_MAX_FILE_SIZE).SetText("");
  driver.ClickPage(IDC_BY_SIZE);
  EXPECT_EQ(driver.PageText(IDC_MAX_FILE_SIZE), "524,288 (512.00 KB)");
  EXPECT_FALSE(driver.PageItem(IDC_FILE_COUNT).IsEnabled());
  EXPECT_EQ(driver.PageText(IDC_FILE_COUNT), "3");
  const std::string sizeRange =
      "The byte size of the split files must be an integer between 4,368 and 107,374,182,400 "
      "(100.00 GB).";
  for (const char* typed : {"700 KB", "-700KB", "huge", "4,367", "107,374,182,401", " "}) {
    driver.Type(IDC_MAX_FILE_SIZE, typed);
    EXPECT_EQ(status(), sizeRange) << typed;
  }
  driver.Type(IDC_MAX_FILE_SIZE, "700KB");
  EXPECT_EQ(status(), "");
  EXPECT_EQ(driver.PageText(IDC_FILE_COUNT), "3");

  // The Split command raises the same message; nothing is written.
  driver.Type(IDC_MAX_FILE_SIZE, "700 KB");
  driver.Prompter().answers.push_back({kButtonOk, {}});
  driver.ClickSheet(IDC_ACTION_BUTTON);
  ASSERT_EQ(driver.Prompter().questions.size(), 1u);
  EXPECT_EQ(driver.Prompter().questions[0], sizeRange);
  EXPECT_EQ(Listing(scratch_.Path()), std::vector<std::string>{"movie.avi"});

  // Count mode again: the box, emptied by the failed plan, gets the last number that was read
  // (too many files for this source).
  EXPECT_EQ(driver.PageText(IDC_FILE_COUNT), "");
  driver.ClickPage(IDC_BY_COUNT);
  EXPECT_EQ(driver.PageText(IDC_FILE_COUNT), "32,766");
  EXPECT_EQ(status(), "The number of split files must be an integer between 2 and 232.");
}

TEST_F(SplitPage, ABadSourceOrDestinationIsExplainedAndNothingIsWritten) {
  SheetDriver driver(0, source_, ProgramKind::full);
  driver.Type(IDC_SOURCE_PATH, Folder() + "missing.avi");
  EXPECT_NE(driver.PageText(IDC_STATUS).find("was not found"), std::string::npos);
  driver.Type(IDC_SOURCE_PATH, source_);
  driver.ClickPage(IDC_USE_SOURCE_FOLDER);
  EXPECT_TRUE(driver.PageItem(IDC_DESTINATION).IsEnabled());
  driver.Type(IDC_DESTINATION, Folder() + "nowhere");
  EXPECT_EQ(driver.PageText(IDC_STATUS), "The folder " + Folder() + "nowhere was not found.");
  driver.Prompter().answers.push_back({kButtonOk, {}});
  driver.ClickSheet(IDC_ACTION_BUTTON);
  EXPECT_EQ(driver.Prompter().questions.size(), 1u);
  EXPECT_EQ(Listing(scratch_.Path()), std::vector<std::string>{"movie.avi"});
  // A prefix of its own names the package.
  driver.Type(IDC_DESTINATION, scratch_.PathText());
  driver.ClickPage(IDC_USE_SOURCE_NAME);
  driver.Type(IDC_NAME, "part");
  driver.ClickSheet(IDC_ACTION_BUTTON);
  EXPECT_EQ(driver.PageText(IDC_STATUS), "The operation was completed.");
  EXPECT_TRUE(std::filesystem::exists(Folder() + "part_00000.fsm"));
}

TEST_F(SplitPage, CancelledSplitLeavesNoPackageAndDeclinedCancelGoesOn) {
  for (const int answer : {kButtonYes, kButtonNo}) {
    SheetDriver driver(0, source_, ProgramKind::full);
    // The request waits in the queue until the split looks at its messages.
    PostMessageW(driver.Handle(), WM_COMMAND, MAKEWPARAM(ID_CANCEL_OPERATION, BN_CLICKED), 0);
    driver.Prompter().answers.push_back({answer, {}});
    // Yes: the files written so far go too.
    if (answer == kButtonYes) driver.Prompter().answers.push_back({kButtonYes, {}});
    driver.ClickSheet(IDC_ACTION_BUTTON);
    ASSERT_EQ(driver.Prompter().questions.size(), answer == kButtonYes ? 2u : 1u);
    EXPECT_EQ(driver.Prompter().questions[0],
              "An attempt was made to cancel operations.\n\nDo you really want to abort the "
              "current operation?");
    if (answer == kButtonYes) {
      EXPECT_EQ(driver.PageText(IDC_STATUS), "The operation was NOT completed.");
      EXPECT_EQ(Listing(scratch_.Path()), std::vector<std::string>{"movie.avi"});
    } else {
      EXPECT_EQ(driver.PageText(IDC_STATUS), "The operation was completed.");
      EXPECT_EQ(Listing(scratch_.Path()).size(), 4u);
    }
  }
}

TEST_F(SplitPage, SizeListComesFromTheConfigurationFileWhenItHasTheSection) {
  {
    SheetDriver driver(0, {}, ProgramKind::full);
    ASSERT_EQ(ListCount(driver), 27);
  }
  const std::string config = Folder() + "Partwell.ini";
  const auto withConfig = [&](AppPreferences& prefs) { prefs.userDataFilePath = config; };
  const std::string onlyInvalid = "[SplitFileSizes]\r\n100=too small\r\nlots=of bytes\r\n";
  WriteWholeFile(config, onlyInvalid.data(), onlyInvalid.size());
  {
    SheetDriver driver(0, {}, ProgramKind::full, withConfig);
    EXPECT_EQ(ListCount(driver), 0);
  }
  const std::string entries = "[SplitFileSizes]\r\n681,984,000 = CD 650 MB\r\n1048576=\r\n";
  WriteWholeFile(config, entries.data(), entries.size());
  SheetDriver driver(0, source_, ProgramKind::full, withConfig);
  ASSERT_EQ(ListCount(driver), 2);
  driver.ClickPage(IDC_BY_SIZE);
  const Window list = driver.PageItem(IDC_MAX_FILE_SIZE);
  list.Send(CB_SETCURSEL, 0);
  SendMessageW(driver.Sheet().ActivePage()->Handle(), WM_COMMAND,
               MAKEWPARAM(IDC_MAX_FILE_SIZE, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list.Handle()));
  FlushMessages();
  EXPECT_EQ(driver.PageText(IDC_MAX_FILE_SIZE), "681,984,000 (CD 650 MB)");
  EXPECT_EQ(driver.PageText(IDC_STATUS), "");
  EXPECT_EQ(driver.PageText(IDC_FILE_COUNT), "2");
  EXPECT_EQ(driver.Prefs().splitMaxFileSize, 681'984'000u);
}

TEST_F(SplitPage, ANewNumberFormatRewritesTheSizeListAndTheBox) {
  SheetDriver driver(0, source_, ProgramKind::full);
  driver.ClickPage(IDC_BY_SIZE);
  driver.Type(IDC_MAX_FILE_SIZE, "700KB");
  // The user switches to full stops between thousands and a decimal comma.
  wchar_t thousands[8] = {}, decimal[8] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousands, 8);
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8);
  SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, L".");
  SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L",");
  SendMessageW(driver.Handle(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"intl"));
  FlushMessages();
  const std::string box = driver.PageText(IDC_MAX_FILE_SIZE);
  const Window list = driver.PageItem(IDC_MAX_FILE_SIZE);
  wchar_t first[64] = {};
  list.Send(CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
  const std::string byteSize = driver.PageText(IDC_BYTE_SIZE);
  SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousands);
  SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal);
  SendMessageW(driver.Handle(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"intl"));
  EXPECT_EQ(box, "716.800 (700 KB)");
  EXPECT_EQ(Narrow(first), "524.288 (512 KB)");
  EXPECT_EQ(byteSize, "1.000.000 (976,56 KB)");
}

}  // namespace
