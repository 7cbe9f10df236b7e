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

const std::string kProgram = std::string(PW_BIN_DIR) + "/Partwell" + PW_EXE_SUFFIX;

struct FoundWindow {
  DWORD process;
  HWND window;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM data) {
  auto& found = *reinterpret_cast<FoundWindow*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != found.process || !IsWindowVisible(window)) return TRUE;
  found.window = window;
  return FALSE;
}

// One run of the program, ended by the test.
class RunningProgram {
 public:
  RunningProgram() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + platform::Widen(kProgram) + L"\"";
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process_)) {
      return;
    }
    WaitForInputIdle(process_.hProcess, 20'000);
    FoundWindow found{process_.dwProcessId, nullptr};
    for (int tries = 0; tries < 200 && found.window == nullptr; ++tries) {
      EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&found));
      if (found.window == nullptr) Sleep(50);
    }
    window_ = found.window;
  }
  ~RunningProgram() {
    if (process_.hProcess == nullptr) return;
    if (WaitForSingleObject(process_.hProcess, 20'000) != WAIT_OBJECT_0) {
      TerminateProcess(process_.hProcess, 1);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }

  HWND Window() const { return window_; }
  HWND ActivePage() const {
    return reinterpret_cast<HWND>(SendMessageW(window_, PSM_GETCURRENTPAGEHWND, 0, 0));
  }
  RECT Place() const {
    RECT place{};
    GetWindowRect(window_, &place);
    return place;
  }
  void EndAbruptly() const { TerminateProcess(process_.hProcess, 1); }

 private:
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

std::string SettingsKey() {
  platform::VersionInfo version;
  platform::ReadVersionInfo(kProgram, version);
  return "Software\\" + version.companyName + "\\Partwell";
}

void ForgetSettings() { RegDeleteTreeW(HKEY_CURRENT_USER, platform::Widen(SettingsKey()).c_str()); }

// Moves the window, opens the Merge page and ticks "Beep when done" there.
void ChangeWhatIsKept(const RunningProgram& program, int left, int top) {
  SetWindowPos(program.Window(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SendMessageW(program.Window(), PSM_SETCURSEL, 1, 0);
  SendMessageW(GetDlgItem(program.ActivePage(), IDC_BEEP), BM_CLICK, 0, 0);
}

void ExpectKept(const RunningProgram& program, int left, int top, bool beep, const char* when) {
  EXPECT_EQ(program.Place().left, left) << when;
  EXPECT_EQ(program.Place().top, top) << when;
  // The Merge page is the one with "Delete split files after merging".
  EXPECT_NE(GetDlgItem(program.ActivePage(), IDC_DELETE_WHEN_DONE), nullptr) << when;
  EXPECT_EQ(SendMessageW(GetDlgItem(program.ActivePage(), IDC_BEEP), BM_GETCHECK, 0, 0),
            beep ? BST_CHECKED : BST_UNCHECKED)
      << when;
}

TEST(StoredSettings, PlacePageAndChoicesComeBackAfterCloseAndAfterSessionEnd) {
  ForgetSettings();
  {
    RunningProgram first;
    ASSERT_NE(first.Window(), nullptr);
    ChangeWhatIsKept(first, 123, 77);
    PostMessageW(first.Window(), WM_CLOSE, 0, 0);
  }
  {
    RunningProgram second;
    ASSERT_NE(second.Window(), nullptr);
    ExpectKept(second, 123, 77, true, "after Close");
    // The session ends: the program saves, then the system ends it without a close.
    SendMessageW(GetDlgItem(second.ActivePage(), IDC_BEEP), BM_CLICK, 0, 0);
    SetWindowPos(second.Window(), nullptr, 140, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(second.Window(), WM_QUERYENDSESSION, 0, 0);
    SendMessageW(second.Window(), WM_ENDSESSION, TRUE, 0);
    second.EndAbruptly();
  }
  RunningProgram third;
  ASSERT_NE(third.Window(), nullptr);
  ExpectKept(third, 140, 90, false, "after the session ended");
  PostMessageW(third.Window(), WM_CLOSE, 0, 0);
  ForgetSettings();
}

}  // namespace
