// The main window as a user meets it: the button row, the tabs, the system menu, the busy
// state of an operation and the question when it is closed during one.

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/operation_state.h"
#include "res/resource.h"
#include "tests/support/scratch_folder.h"
#include "tests/win32/test_package.h"
#include "tests/win32/window_driver.h"
#include "ui/win32/window_host.h"

namespace {

std::string MenuText(HMENU menu, UINT position) {
  wchar_t text[128] = {};
  GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
  return Narrow(text);
}

TEST(Sheet, TabsRelabelTheActionButtonAndShowVerifyOnlyOnMerge) {
  SheetDriver driver;
  EXPECT_EQ(driver.ButtonText(IDC_ACTION_BUTTON), "&Split");
  EXPECT_FALSE(driver.SheetEnabled(IDC_ACTION_BUTTON));  // the lite program splits nothing
  EXPECT_FALSE(driver.Sheet().VerifyButton().IsVisible());
  driver.SelectTab(1);
  EXPECT_EQ(driver.ButtonText(IDC_ACTION_BUTTON), "&Merge");
  EXPECT_TRUE(driver.SheetEnabled(IDC_ACTION_BUTTON));
  EXPECT_TRUE(driver.Sheet().VerifyButton().IsVisible());
  EXPECT_EQ(driver.Sheet().VerifyButton().Text(), "&Verify Files");
  driver.SelectTab(0);
  EXPECT_EQ(driver.ButtonText(IDC_ACTION_BUTTON), "&Split");
  EXPECT_FALSE(driver.Sheet().VerifyButton().IsVisible());

  // The five buttons, left to right, in one row.
  const Window row[] = {driver.Sheet().VerifyButton(), driver.Sheet().ActionButton(),
                        driver.Sheet().CloseButton(), driver.Sheet().HelpButton(),
                        driver.Sheet().AboutButton()};
  const char* labels[] = {"&Verify Files", "&Split", "&Close", "&Help", "&About..."};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(row[i].Text(), labels[i]);
    if (i == 0) continue;
    const RECT left = row[i - 1].RectIn(driver.Handle()), right = row[i].RectIn(driver.Handle());
    EXPECT_LT(left.right, right.left) << labels[i];
    EXPECT_EQ(left.top, right.top) << labels[i];
  }
}

TEST(Sheet, SystemMenuStartsWithAboutAndHasNoSizeOrMaximize) {
  SheetDriver driver;
  HMENU menu = GetSystemMenu(driver.Handle(), FALSE);
  EXPECT_EQ(MenuText(menu, 0), "&About PartwellLite...");
  EXPECT_EQ(GetMenuItemID(menu, 0), static_cast<UINT>(ID_SYSTEM_MENU_ABOUT));
  EXPECT_EQ(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
  EXPECT_EQ(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  const LONG_PTR style = GetWindowLongPtrW(driver.Handle(), GWL_STYLE);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);
  EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
}

class SheetWithPackage : public ::testing::Test {
 protected:
  ScratchFolder scratch_;
  TestPackage package_{scratch_};
};

TEST_F(SheetWithPackage, BusyWhileMergingAndIdleAgainAfterSuccessFailureAndCancel) {
  SheetDriver driver(1, package_.master);
  const HWND tabs = driver.Sheet().TabControl().Handle();
  package_.WriteOriginal();  // the merged file exists: the merge asks before it overwrites
  bool checked = false;
  driver.Prompter().answers.push_back(
      {kButtonYes, [&] {
         checked = true;
         EXPECT_TRUE(ProcessOperationState().operationRunning);
         EXPECT_EQ(driver.ButtonText(ID_CANCEL_OPERATION), "Cancel");
         EXPECT_FALSE(driver.SheetButton(ID_APP_EXIT));
         EXPECT_FALSE(IsWindowEnabled(tabs));
         EXPECT_FALSE(driver.Sheet().ActivePage()->Self().IsEnabled());
         EXPECT_FALSE(driver.SheetEnabled(IDC_ACTION_BUTTON));
         EXPECT_FALSE(driver.Sheet().VerifyButton().IsEnabled());
         EXPECT_TRUE(driver.SheetEnabled(ID_CANCEL_OPERATION));
         EXPECT_TRUE(driver.SheetEnabled(ID_HELP_LITE));
         EXPECT_TRUE(driver.SheetEnabled(ID_APP_ABOUT));
         // The pointer says the program works on.
         EXPECT_EQ(SendMessageW(driver.Handle(), WM_SETCURSOR,
                                reinterpret_cast<WPARAM>(driver.Handle()), MAKELPARAM(HTCLIENT, 0)),
                   TRUE);
         EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_APPSTARTING));
       }});
  driver.ClickSheet(IDC_ACTION_BUTTON);
  EXPECT_TRUE(checked);
  const auto idle = [&](const char* when) {
    EXPECT_FALSE(ProcessOperationState().operationRunning) << when;
    EXPECT_EQ(driver.ButtonText(ID_APP_EXIT), "&Close") << when;
    EXPECT_TRUE(IsWindowEnabled(tabs)) << when;
    EXPECT_TRUE(driver.Sheet().ActivePage()->Self().IsEnabled()) << when;
    EXPECT_TRUE(driver.SheetEnabled(IDC_ACTION_BUTTON)) << when;
    EXPECT_TRUE(driver.Sheet().VerifyButton().IsEnabled()) << when;
  };
  idle("after success");
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_EQ(driver.PageText(IDC_STATUS), "The operation was completed.");
  EXPECT_EQ(package_.OriginalOnDisk(), package_.original);

  // Declined: nothing changes, no message box.
  driver.Prompter().answers.push_back({kButtonNo, {}});
  driver.ClickSheet(IDC_ACTION_BUTTON);
  idle("after cancel");
  EXPECT_EQ(driver.PageText(IDC_STATUS), "The operation was NOT completed.");
  EXPECT_EQ(driver.Prompter().questions.size(), 2u);

  // Failed: a damaged piece; the error is shown in a box and the old file stays.
  std::filesystem::remove(package_.merged);
  package_.DamagePiece(2);
  driver.Prompter().answers.push_back({kButtonOk, {}});
  driver.ClickSheet(IDC_ACTION_BUTTON);
  idle("after failure");
  EXPECT_NE(driver.PageText(IDC_STATUS).find("NOT completed"), std::string::npos);
  EXPECT_NE(driver.Prompter().questions.back().find("Corruption warning"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(package_.merged));
}

TEST_F(SheetWithPackage, ClosingDuringAnOperationAsksFirst) {
  SheetDriver driver(1, package_.master);
  package_.WriteOriginal();
  // No: the window stays and the merge goes on.
  driver.Prompter().answers.push_back({kButtonYes, [&] {
                                         driver.Prompter().answers.push_back({kButtonNo, {}});
                                         SendMessageW(driver.Handle(), WM_CLOSE, 0, 0);
                                       }});
  driver.ClickSheet(IDC_ACTION_BUTTON);
  ASSERT_TRUE(IsWindow(driver.Handle()));
  EXPECT_EQ(driver.Prompter().questions.at(1),
            "An attempt was made to close the application.\n\nDo you really want to abort the "
            "current operation?");
  EXPECT_EQ(driver.PageText(IDC_STATUS), "The operation was completed.");
}

TEST_F(SheetWithPackage, ClosingDuringAMergeWithYesKeepsTheOldFileAndLeavesNothingBehind) {
  SheetDriver driver(1, package_.master);
  const std::string old = "precious";
  WriteWholeFile(package_.merged, old.data(), old.size());
  driver.Prompter().answers.push_back({kButtonYes, [&] {
                                         driver.Prompter().answers.push_back({kButtonYes, {}});
                                         SendMessageW(driver.Handle(), WM_CLOSE, 0, 0);
                                         // As the program's window does when it goes.
                                         PostQuitMessage(0);
                                       }});
  driver.ClickSheet(IDC_ACTION_BUTTON);
  EXPECT_FALSE(IsWindow(driver.Handle()));
  EXPECT_FALSE(ProcessOperationState().operationRunning);
  EXPECT_EQ(package_.OriginalOnDisk(), old);
  for (const std::string& name : Listing(scratch_.Path())) {
    EXPECT_EQ(name.find(".partwell-"), std::string::npos) << name;
  }
}

TEST_F(SheetWithPackage, BeepOnlyAfterMoreThanFifteenSeconds) {
  int beeps = 0;
  const WindowServices saved = Services();
  for (const std::uint64_t span : {14'900u, 15'100u}) {
    SheetDriver driver(1, package_.master);
    driver.PageItem(IDC_BEEP).SetCheck(true);
    // The operation's first reading of the clock starts it; every later one is `span` on.
    std::uint64_t reads = 0;
    Services().tickCount = [&reads, span] { return 1'000'000 + (reads++ == 0 ? 0 : span); };
    Services().beep = [&beeps] { ++beeps; };
    driver.ClickSheet(IDC_VERIFY_BUTTON);
    Services() = saved;
    EXPECT_EQ(driver.PageText(IDC_STATUS), "The operation was completed.") << span;
    EXPECT_EQ(beeps, span > 15'000 ? 1 : 0) << span;
  }
}

}  // namespace
