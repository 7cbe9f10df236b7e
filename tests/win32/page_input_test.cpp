// What the Merge page makes of what a user types or drops: the package's information, or the
// reason why there is none in the status box, and never a message box while typing.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "res/resource.h"
#include "tests/win32/test_package.h"
#include "tests/win32/window_driver.h"

namespace {

// A real drop of `paths` from the shell on the window, as the shell builds it.
void DropFiles(HWND window, const std::vector<std::string>& paths) {
  std::wstring list;
  for (const std::string& path : paths) list += Widen(path) + L'\0';
  list += L'\0';
  const std::size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, bytes);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(),
              list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  FlushMessages();
}

class MergePageInput : public ::testing::Test {
 protected:
  ScratchFolder scratch_;
  TestPackage package_{scratch_};
};

TEST_F(MergePageInput, MasterOnTheCommandLineOpensTheMergePageFilledIn) {
  SheetDriver driver(1, package_.master);
  EXPECT_EQ(driver.Sheet().ActiveIndex(), 1);
  EXPECT_EQ(driver.PageText(IDC_SOURCE_PATH), package_.master);
  EXPECT_EQ(driver.PageText(IDC_FILE_COUNT), "6");
  EXPECT_EQ(driver.PageText(IDC_MAX_FILE_SIZE), "25,000 (24.41 KB)");
  EXPECT_EQ(driver.PageText(IDC_BYTE_SIZE), "100,000 (97.66 KB)");
  EXPECT_EQ(driver.PageText(IDC_COMMENTS), "made for a window test");
  EXPECT_EQ(driver.PageText(IDC_NAME), "sample.bin");
  EXPECT_EQ(driver.PageText(IDC_DESTINATION), package_.folder);
  EXPECT_FALSE(driver.PageText(IDC_TIME_SPLIT).empty());
  EXPECT_EQ(driver.PageText(IDC_STATUS), "");
  // The folder and the name come from the package: their boxes wait for the options.
  EXPECT_FALSE(driver.PageItem(IDC_DESTINATION).IsEnabled());
  EXPECT_FALSE(driver.PageItem(IDC_BROWSE_DESTINATION).IsEnabled());
  EXPECT_FALSE(driver.PageItem(IDC_NAME).IsEnabled());
  driver.ClickPage(IDC_USE_SOURCE_FOLDER);
  EXPECT_TRUE(driver.PageItem(IDC_DESTINATION).IsEnabled());
  EXPECT_TRUE(driver.PageItem(IDC_BROWSE_DESTINATION).IsEnabled());
}

TEST_F(MergePageInput, WhatIsNoPackageIsExplainedInTheStatusBox) {
  SheetDriver driver(1);
  const std::string missing = package_.folder + "none.fsm";
  const std::string notPackage = package_.folder + "notes.txt";
  WriteWholeFile(notPackage, "just text", 9);
  const std::string longName = package_.folder + std::string(300, 'n') + ".fsm";
  const struct {
    std::string typed, status;
  } cases[] = {
      {missing, "The file " + missing + " was not found."},
      {notPackage, "The format of the file " + notPackage + " is invalid."},
      {package_.folder, "The file " + package_.folder + " was not found."},
      {longName, "The file " + longName + " was not found."},
  };
  for (const auto& c : cases) {
    driver.Type(IDC_SOURCE_PATH, c.typed);
    EXPECT_EQ(driver.PageText(IDC_STATUS), c.status) << c.typed;
    EXPECT_EQ(driver.PageText(IDC_FILE_COUNT), "") << c.typed;
  }
  EXPECT_TRUE(driver.Prompter().questions.empty());
  // A destination typed that does not exist: the Merge button says so and starts nothing.
  driver.Type(IDC_SOURCE_PATH, package_.master);
  driver.ClickPage(IDC_USE_SOURCE_FOLDER);
  const std::string nowhere = package_.folder + "nowhere\\";
  driver.Type(IDC_DESTINATION, nowhere);
  EXPECT_EQ(driver.PageText(IDC_STATUS), "The folder " + nowhere + " was not found.");
  driver.Prompter().answers.push_back({kButtonOk, {}});
  driver.ClickSheet(IDC_ACTION_BUTTON);
  ASSERT_EQ(driver.Prompter().questions.size(), 1u);
  EXPECT_EQ(driver.Prompter().questions[0], "The folder " + nowhere + " was not found.");
  EXPECT_EQ(GetFocus(), driver.PageItem(IDC_DESTINATION).Handle());
  EXPECT_EQ(driver.PageText(IDC_STATUS), "The operation was NOT completed.");
  EXPECT_FALSE(std::filesystem::exists(package_.merged));
}

TEST_F(MergePageInput, DroppedFilesFillTheBoxesByTheirKind) {
  SheetDriver driver(1);
  const std::string folder = package_.folder.substr(0, package_.folder.size() - 1);
  // The source box: the first file as it is, which loads the package.
  DropFiles(driver.PageItem(IDC_SOURCE_PATH).Handle(), {package_.master, package_.merged});
  EXPECT_EQ(driver.PageText(IDC_SOURCE_PATH), package_.master);
  EXPECT_EQ(driver.PageText(IDC_FILE_COUNT), "6");
  driver.ClickPage(IDC_USE_SOURCE_FOLDER);
  driver.ClickPage(IDC_USE_SOURCE_NAME);
  // The destination box: a file gives its folder, a folder itself, each with a separator of
  // the kind the path uses.
  const HWND destination = driver.PageItem(IDC_DESTINATION).Handle();
  driver.Type(IDC_DESTINATION, "");
  DropFiles(destination, {package_.master});
  EXPECT_EQ(driver.PageText(IDC_DESTINATION), package_.folder);
  driver.Type(IDC_DESTINATION, "");
  DropFiles(destination, {folder});
  EXPECT_EQ(driver.PageText(IDC_DESTINATION), package_.folder);
  std::string slashed = folder;
  for (char& c : slashed) {
    if (c == '\\') c = '/';
  }
  DropFiles(destination, {slashed});
  EXPECT_EQ(driver.PageText(IDC_DESTINATION), slashed + "/");
  // The name box takes the path as it is.
  DropFiles(driver.PageItem(IDC_NAME).Handle(), {package_.merged});
  EXPECT_EQ(driver.PageText(IDC_NAME), package_.merged);
  EXPECT_TRUE(driver.Prompter().questions.empty());
}

}  // namespace
