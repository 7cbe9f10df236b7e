// The real Partwell.exe, started as a user starts it, keeps what the user set between runs in
// the registry: at its normal end and when the session ends under it.

#include <gtest/gtest.h>

#include <string>

#include "platform/version_info.h"
#include "res/resource.h"
#include "tests/win32/window_test_support.h"

// After <windows.h>, which it needs.
#include <commctrl.h>

namespace {

const std::string kProgramPath = std::string(PW_BIN_DIR) + "/Partwell" + PW_EXE_SUFFIX;
const std::string kProgram = "\"" + kProgramPath + "\"";

std::string SettingsKeyPath() {
  platform::VersionInfo version;
  platform::ReadVersionInfo(kProgramPath, version);
  return "Software\\" + version.companyName + "\\Partwell";
}

void ForgetSettings() {
  RegDeleteTreeW(HKEY_CURRENT_USER, platform::Widen(SettingsKeyPath()).c_str());
}

// Moves the window, opens the Merge page and ticks "Beep when done" there.
void ChangeWhatIsKept(const test::StartedProgram& program, int left, int top) {
  SetWindowPos(program.Window(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SendMessageW(program.Window(), PSM_SETCURSEL, 1, 0);
  SendMessageW(GetDlgItem(program.ActivePage(), IDC_BEEP), BM_CLICK, 0, 0);
}

void ExpectKept(const test::StartedProgram& program, int left, int top, bool beep,
                const char* when) {
  RECT place{};
  GetWindowRect(program.Window(), &place);
  EXPECT_EQ(place.left, left) << when;
  EXPECT_EQ(place.top, top) << when;
  // The Merge page is the one with "Delete split files after merging".
  EXPECT_NE(GetDlgItem(program.ActivePage(), IDC_DELETE_WHEN_DONE), nullptr) << when;
  EXPECT_EQ(SendMessageW(GetDlgItem(program.ActivePage(), IDC_BEEP), BM_GETCHECK, 0, 0),
            beep ? BST_CHECKED : BST_UNCHECKED)
      << when;
}

TEST(StoredSettings, PlacePageAndChoicesComeBackAfterCloseAndAfterSessionEnd) {
  ForgetSettings();
  {
    test::StartedProgram first(kProgram);
    ASSERT_NE(first.Window(), nullptr);
    ChangeWhatIsKept(first, 123, 77);
    PostMessageW(first.Window(), WM_CLOSE, 0, 0);
  }
  {
    test::StartedProgram second(kProgram);
    ASSERT_NE(second.Window(), nullptr);
    ExpectKept(second, 123, 77, true, "after Close");
    // The session ends: the program saves, then the system ends it without a close.
    SendMessageW(GetDlgItem(second.ActivePage(), IDC_BEEP), BM_CLICK, 0, 0);
    SetWindowPos(second.Window(), nullptr, 140, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(second.Window(), WM_QUERYENDSESSION, 0, 0);
    SendMessageW(second.Window(), WM_ENDSESSION, TRUE, 0);
    second.EndAbruptly();
  }
  test::StartedProgram third(kProgram);
  ASSERT_NE(third.Window(), nullptr);
  ExpectKept(third, 140, 90, false, "after the session ended");
  PostMessageW(third.Window(), WM_CLOSE, 0, 0);
  ForgetSettings();
}

}  // namespace
