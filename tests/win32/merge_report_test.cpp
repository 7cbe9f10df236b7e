// Verify Files and a failed merge as a user meets them: the report of every piece in its
// dialog, which copies and saves as text; pieces in several folders asked for once a folder;
// the title that names the operation and its progress, and comes back.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "res/resource.h"
#include "tests/support/scratch_folder.h"
#include "tests/win32/test_package.h"
#include "tests/win32/window_driver.h"
#include "tests/win32/window_test_support.h"
#include "ui/win32/report_dialog.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Rows(const ReportView& view) {
  std::vector<std::string> rows;
  for (const ReportRow& row : view.rows)
    rows.push_back(row.file + "|" + row.disk + "|" + row.state);
  return rows;
}

// A piece moved into a folder of the scratch folder (made when needed); returns the folder.
std::string MovePiece(const TestPackage& package, int index, const std::string& folderName) {
  const std::string folder = package.folder + folderName + "\\";
  fs::create_directories(folder);
  fs::rename(package.folder + TestPackage::PieceName(index),
             folder + TestPackage::PieceName(index));
  return folder;
}

HWND FindOwnDialog(const std::string& caption) {
  struct Search {
    std::string caption;
    HWND found;
  } search{caption, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) {
        auto& search = *reinterpret_cast<Search*>(data);
        if (!IsWindowVisible(window) || test::WindowText(window) != search.caption) return TRUE;
        search.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string ListCell(HWND list, int row, int column) {
  wchar_t text[512] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 512;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return Narrow(text);
}

std::string ClipboardText(HWND owner) {
  std::string text;
  if (!OpenClipboard(owner)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = Narrow(static_cast<const wchar_t*>(GlobalLock(data)));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

// Every visible control lies inside the dialog and beside, not over, every other; none is cut
// short of its text's height.
void ExpectLaidOutCleanly(HWND dialog) {
  RECT client{};
  GetClientRect(dialog, &client);
  std::vector<std::pair<int, RECT>> controls;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (IsWindowVisible(child))
      controls.push_back({GetDlgCtrlID(child), Window(child).RectIn(dialog)});
  }
  const HDC context = GetDC(dialog);
  const HGDIOBJ old =
      SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics{};
  GetTextMetricsW(context, &metrics);
  SelectObject(context, old);
  ReleaseDC(dialog, context);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const RECT& rect = controls[i].second;
    EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right &&
                rect.bottom <= client.bottom)
        << "control " << controls[i].first << " leaves the dialog";
    EXPECT_GE(rect.bottom - rect.top, metrics.tmHeight) << "control " << controls[i].first;
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      RECT overlap{};
      EXPECT_FALSE(IntersectRect(&overlap, &rect, &controls[j].second))
          << "controls " << controls[i].first << " and " << controls[j].first << " overlap";
    }
  }
}

class MergeReport : public ::testing::Test {
 protected:
  ScratchFolder scratch_;
};

TEST_F(MergeReport, VerifyListsADamagedAMissingAndAGoodPieceInADialogThatCopiesAndSaves) {
  TestPackage package(scratch_);
  package.DamagePiece(2);
  fs::remove(package.folder + TestPackage::PieceName(4));
  SheetDriver driver(1, package.master);
  driver.ClickSheet(IDC_VERIFY_BUTTON);
  ASSERT_EQ(driver.Prompter().reports.size(), 1u);
  EXPECT_TRUE(driver.Prompter().questions.empty());
  const ReportView& view = driver.Prompter().reports[0];
  EXPECT_EQ(Rows(view), (std::vector<std::string>{
                            "sample.bin_00001.fss|1|good",
                            "sample.bin_00002.fss|2|wrong checksum",
                            "sample.bin_00003.fss|3|good",
                            "sample.bin_00004.fss|4|missing",
                            "sample.bin_00005.fss|5|good",
                        }));
  EXPECT_EQ(view.summary,
            "3 of 5 data split files are good.\n"
            "Fetch again: sample.bin_00002.fss, sample.bin_00004.fss\n");
  EXPECT_EQ(view.master, package.master);
  EXPECT_EQ(view.why, "");
  EXPECT_EQ(driver.PageText(IDC_STATUS), "3 of 5 data split files are good.");

  // The dialog itself: the rows under their three headings, the summary, Copy and Save As.
  const std::string saved = package.folder + "report.txt";
  std::string copied, list[5][3], headings[3], summary;
  int columns = 0;
  ReportDialog dialog(view);
  const INT_PTR ended = test::WhileModal(
      [&] { return dialog.Run(driver.Handle()); },
      [&] {
        const HWND shown = FindOwnDialog("Package Report");
        ASSERT_NE(shown, nullptr);
        ExpectLaidOutCleanly(shown);
        const HWND rows = GetDlgItem(shown, IDC_REPORT_LIST);
        const HWND header = reinterpret_cast<HWND>(SendMessageW(rows, LVM_GETHEADER, 0, 0));
        columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
        for (int column = 0; column < 3; ++column) {
          wchar_t text[64] = {};
          LVCOLUMNW query{};
          query.mask = LVCF_TEXT;
          query.pszText = text;
          query.cchTextMax = 64;
          SendMessageW(rows, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&query));
          headings[column] = Narrow(text);
          for (int row = 0; row < 5; ++row) list[row][column] = ListCell(rows, row, column);
        }
        summary = WithoutCarriageReturns(test::ItemText(shown, IDC_REPORT_SUMMARY));
        SendDlgItemMessageW(shown, IDC_REPORT_COPY, BM_CLICK, 0, 0);
        copied = ClipboardText(shown);
        // The save dialog, answered with a new file's name.
        test::WhileModalOnceReady(
            [&] {
              SendDlgItemMessageW(shown, IDC_REPORT_SAVE, BM_CLICK, 0, 0);
              return INT_PTR{0};
            },
            [&] {
              const HWND save = GetLastActivePopup(shown);
              return save != shown && IsWindowVisible(save);
            },
            [&] {
              const HWND save = GetLastActivePopup(shown);
              ASSERT_NE(save, shown);
              const std::wstring path = Widen(saved);
              for (const int box : {0x47c, 0x480}) SetDlgItemTextW(save, box, path.c_str());
              SendMessageW(save, WM_COMMAND, IDOK, 0);
            });
        SendMessageW(shown, WM_COMMAND, IDCANCEL, 0);
      });
  EXPECT_EQ(ended, IDCANCEL);
  EXPECT_EQ(columns, 3);
  EXPECT_EQ(headings[0] + "|" + headings[1] + "|" + headings[2], "File|Disk|State");
  EXPECT_EQ(list[1][0] + "|" + list[1][1] + "|" + list[1][2],
            "sample.bin_00002.fss|2|wrong checksum");
  EXPECT_EQ(list[3][2], "missing");
  EXPECT_EQ(list[4][2], "good");
  EXPECT_EQ(summary, view.summary);
  const std::string text = view.Text();
  EXPECT_EQ(text.substr(0, text.find('\n')), "Package: " + package.master);
  EXPECT_NE(text.find("sample.bin_00004.fss (disk 4): missing\n"), std::string::npos);
  EXPECT_EQ(WithoutCarriageReturns(copied), text);
  EXPECT_EQ(WithoutCarriageReturns(ReadWholeFile(saved)), text);
  EXPECT_NE(ReadWholeFile(saved).find("\r\n"), std::string::npos);
}

TEST_F(MergeReport, AFailedMergeShowsTheReportAndTheRecoveryFilesTellWhatTheyRebuild) {
  {
    // No piece to give for the damaged one: the report, in place of a message box.
    TestPackage package(scratch_);
    package.DamagePiece(3);
    SheetDriver driver(1, package.master);
    driver.ClickSheet(IDC_ACTION_BUTTON);
    ASSERT_EQ(driver.Prompter().reports.size(), 1u);
    EXPECT_EQ(driver.Prompter().questions.size(), 1u);  // the location prompt alone
    const ReportView& view = driver.Prompter().reports[0];
    EXPECT_EQ(view.why, "Corruption warning: The initial and final file contents do not match.");
    EXPECT_EQ(view.rows.at(2).state, "wrong checksum");
    EXPECT_EQ(driver.PageText(IDC_STATUS), "The operation was NOT completed.");
    EXPECT_FALSE(fs::exists(package.merged));
  }
  const ScratchFolder protectedPackage;
  TestPackage package(protectedPackage, 1);
  package.DamagePiece(3);
  SheetDriver driver(1, package.master);
  driver.ClickSheet(IDC_VERIFY_BUTTON);
  ASSERT_EQ(driver.Prompter().reports.size(), 1u);
  const ReportView& view = driver.Prompter().reports[0];
  EXPECT_EQ(view.rows.at(2).state, "wrong checksum; can be rebuilt from the recovery files");
  EXPECT_NE(view.summary.find("The recovery files can rebuild 1 bad file (0 volumes to spare): "
                              "Merge rebuilds them.\n"),
            std::string::npos);
  // The merge rebuilds it, and says so.
  driver.ClickSheet(IDC_ACTION_BUTTON);
  EXPECT_EQ(driver.Prompter().reports.size(), 1u);
  EXPECT_EQ(driver.PageText(IDC_STATUS),
            "The operation was completed. Rebuilt from the recovery files: sample.bin_00003.fss.");
  EXPECT_TRUE(package.OriginalOnDisk() == package.original);
}

// Pieces 1 and 4 in A, 2 and 5 in B, 3 in C: one answer for each folder, and the title names
// the merge with its progress while it runs.
TEST_F(MergeReport, ThreeFoldersNeedThreeAnswersAndTheTitleShowsTheProgress) {
  TestPackage package(scratch_);
  const std::string a = MovePiece(package, 1, "A");
  const std::string b = MovePiece(package, 2, "B");
  const std::string c = MovePiece(package, 3, "C");
  MovePiece(package, 4, "A");
  MovePiece(package, 5, "B");
  SheetDriver driver(1, package.master);
  EXPECT_EQ(test::WindowText(driver.Handle()), "PartwellLite");
  ScriptedPrompter& prompter = driver.Prompter();
  prompter.locations = {a + TestPackage::PieceName(1), b + TestPackage::PieceName(2),
                        c + TestPackage::PieceName(3)};
  driver.ClickSheet(IDC_ACTION_BUTTON);
  EXPECT_EQ(driver.PageText(IDC_STATUS), "The operation was completed.");
  EXPECT_TRUE(package.OriginalOnDisk() == package.original);
  ASSERT_EQ(prompter.questions.size(), 3u);
  EXPECT_TRUE(prompter.locations.empty());
  EXPECT_EQ(prompter.titles[0], "0% - Merging sample.bin");
  EXPECT_TRUE(
      std::regex_match(prompter.titles[2], std::regex("[1-9][0-9]?% - Merging sample\\.bin")))
      << prompter.titles[2];
  EXPECT_EQ(test::WindowText(driver.Handle()), "PartwellLite");
}

}  // namespace
