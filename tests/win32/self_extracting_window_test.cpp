// The real lite program, started as the self-extracting master that the split made, merges its
// package through its window, driven from this process by control id as a user would.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "res/resource.h"
#include "tests/support/program_run.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/split_package.h"
#include "tests/win32/window_test_support.h"
#include "ui/win32/windows_ui.h"

namespace {

// Waits up to `seconds` for `done` to hold.
bool WaitFor(const std::function<bool()>& done, int seconds = 60) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (done()) return true;
    Sleep(100);
  }
  return done();
}

std::string TextOf(HWND window) {
  wchar_t text[1024] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, &copied);
  return Narrow(text);
}

TEST(SelfExtractingWindow, MasterOpensOnItsPackageAndMergesIt) {
  ScratchFolder scratch;
  const std::uint64_t pieceSize = std::filesystem::file_size(BuiltLiteProgramPath()) + 50'000;
  const Bytes bytes = SourceBytes(static_cast<std::size_t>(pieceSize * 5 / 2), 3);
  const std::string original(bytes.begin(), bytes.end());
  const std::string source = scratch.Write("sample.bin", original.data(), original.size());
  const ProgramRun split =
      RunProgram(BuiltProgramPath("partwell-cli"),
                 {"split", source, "--size", std::to_string(pieceSize), "--self-extracting"},
                 scratch.PathText());
  ASSERT_EQ(split.status, 0) << split.err;
  std::filesystem::remove(source);
  const std::string master = scratch.PathText() + "\\sample.bin_00000.exe";

  {
    const test::StartedProgram program("\"" + master + "\"");
    const HWND sheet = program.Window();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(TextOf(sheet), "PartwellLite");
    const HWND page = program.ActivePage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(page, IDC_SOURCE_PATH)), master);
    EXPECT_EQ(TextOf(GetDlgItem(page, IDC_FILE_COUNT)), "4");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_DELETE_WHEN_DONE)));
    const HWND merge = GetDlgItem(sheet, IDC_ACTION_BUTTON);
    EXPECT_EQ(TextOf(merge), "&Merge");
    PostMessageW(sheet, WM_COMMAND, MAKEWPARAM(IDC_ACTION_BUTTON, BN_CLICKED),
                 reinterpret_cast<LPARAM>(merge));
    EXPECT_TRUE(WaitFor([&] {
      return TextOf(GetDlgItem(page, IDC_STATUS)) == "The operation was completed.";
    })) << TextOf(GetDlgItem(page, IDC_STATUS));
    PostMessageW(sheet, WM_CLOSE, 0, 0);
  }
  EXPECT_EQ(ReadWholeFile(scratch.PathText() + "\\sample.bin"), original);
  EXPECT_TRUE(std::filesystem::exists(master));  // the package stays
}

}  // namespace
