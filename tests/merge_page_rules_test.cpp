#include "ui/merge_page_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <limits>
#include <string>

#include "base/exceptions.h"
#include "base/message_format.h"
#include "base/text_format.h"
#include "engine/ole_date.h"
#include "res/resource.h"
#include "tests/support/package_builder.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using platform::PathStyle;

std::string TextOf(const CException& error) {
  std::string text;
  error.GetErrorMessage(text, 4096);
  return text;
}

class MergePageRules : public ::testing::Test {
 protected:
  // A package whose original file was "C:\work\film.avi" on the splitting machine.
  std::string WriteMaster(const std::string& sourcePath = "C:\\work\\film.avi") {
    PackageOptions options;
    options.sourcePath = sourcePath;
    options.comments = "three pieces";
    options.maxPieceDataSize = 100000;
    options.splitTime = 45000.75;
    return TestPackage(options, PatternBytes(250000, 4)).WriteTo(scratch.Path())[0];
  }
  // "" when LoadMergeInfo succeeds, else its error's text.
  std::string Load(MergePageFields& fields, const MergePageDefaults& defaults = {}) {
    try {
      LoadMergeInfo(fields, defaults);
    } catch (const CException& error) {
      return TextOf(error);
    }
    return "";
  }

  ScratchFolder scratch;
};

TEST_F(MergePageRules, TheMastersPropertiesAreShown) {
  MergePageFields fields;
  fields.sourcePath = WriteMaster();
  ASSERT_EQ(Load(fields), "");
  EXPECT_EQ(fields.fileCountText, "4");
  EXPECT_EQ(fields.maxFileSizeText, FormatByteSizeLong(100056));
  EXPECT_EQ(fields.byteSizeText, FormatByteSizeLong(250000));
  EXPECT_EQ(fields.comments, "three pieces");
  EXPECT_EQ(fields.timeSplitText, LocalSplitTimeText(45000.75, CurrentLocalTimeOffsetDays()));

  ClearMergeInfo(fields);
  EXPECT_EQ(fields.fileCountText + fields.maxFileSizeText + fields.byteSizeText +
                fields.timeSplitText + fields.comments,
            "");
}

TEST_F(MergePageRules, NameAndFolderFollowTheOptions) {
  const std::string master = WriteMaster();
  const std::string masterFolder = (scratch.Path() / "").string();
  const fs::path chosen = SubFolder(scratch.Path(), "chosen");
  const MergePageDefaults defaults{.destinationFolder = chosen.string(), .fileName = "mine.bin"};

  struct Case {
    const char* what;
    bool useOriginalName, useSourceFolder;
    MergePageDefaults defaults;
    std::string name, folder;
  };
  const Case cases[] = {
      {"both options", true, true, defaults, "film.avi", masterFolder},
      {"stored values", false, false, defaults, "mine.bin", chosen.string()},
      {"stored values empty", false, false, {}, "film.avi", masterFolder},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MergePageFields fields;
    fields.sourcePath = master;
    fields.useOriginalName = c.useOriginalName;
    fields.useSourceFolder = c.useSourceFolder;
    fields.fileName = "typed.bin";
    fields.destinationFolder = "typed";
    ASSERT_EQ(Load(fields, c.defaults), "");
    EXPECT_EQ(fields.fileName, c.name);
    EXPECT_EQ(fields.destinationFolder, c.folder);
  }
}

TEST_F(MergePageRules, TheProposedNameIsNeverAPath) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\work\\film.avi", "film.avi"},
      {"/home/someone/film.avi", "film.avi"},
      {"\\\\server\\share\\..\\..\\film.avi", "film.avi"},
      {"C:\\work\\..", ""},
      {"film.avi", "film.avi"},
  };
  for (const auto& [stored, name] : cases) {
    MergePageFields fields;
    fields.sourcePath = WriteMaster(stored);
    ASSERT_EQ(Load(fields), "") << stored;
    EXPECT_EQ(fields.fileName, name) << stored;
  }
}

TEST_F(MergePageRules, ErrorsStopTheLoadWithTheFieldsClearedAsFarAsTheyGo) {
  MergePageFields fields;
  fields.fileName = "kept.bin";
  fields.destinationFolder = "kept";
  EXPECT_EQ(LoadMergeInfo(fields, {}), std::nullopt);  // no source: nothing happens
  EXPECT_EQ(fields.fileName, "kept.bin");

  const std::string missing = (scratch.Path() / "missing.fsm").string();
  fields.sourcePath = missing;
  EXPECT_EQ(Load(fields), LoadMessage(IDS_FILE_NOT_FOUND, {missing}).value());
  EXPECT_EQ(fields.fileName, "");
  EXPECT_EQ(fields.destinationFolder, "");

  fields.sourcePath = WriteMaster();
  fields.useSourceFolder = false;
  const std::string gone = (scratch.Path() / "gone").string();
  EXPECT_EQ(Load(fields, {.destinationFolder = gone, .fileName = {}}),
            LoadMessage(IDS_FOLDER_NOT_FOUND, {gone}).value());
  EXPECT_EQ(fields.fileCountText, "4");
}

TEST_F(MergePageRules, TheMergeCommandNeedsAnExistingFolder) {
  MergePageFields fields;
  fields.fileName = "sub/film.avi";
  fields.destinationFolder = scratch.PathText();
  EXPECT_EQ(PrepareMergeRun(fields), MergeTargetPath(scratch.PathText(), "film.avi"));
  fields.destinationFolder = "";
  EXPECT_EQ(PrepareMergeRun(fields), "film.avi");
  fields.destinationFolder = (scratch.Path() / "gone").string();
  try {
    PrepareMergeRun(fields);
    ADD_FAILURE() << "a missing folder was taken";
  } catch (const CAppException& error) {
    EXPECT_EQ(TextOf(error), LoadMessage(IDS_FOLDER_NOT_FOUND, {fields.destinationFolder}));
  }
}

TEST(MergePageTimes, TheSplitTimeIsShiftedIntoLocalTime) {
  EXPECT_EQ(LocalSplitTimeText(45000.5, 0.25), FormatDateTime(45000.75));
  EXPECT_EQ(LocalSplitTimeText(45000.5, -5.5 / 24), FormatDateTime(45000.5 - 5.5 / 24));
  const std::string invalid = FormatDateTime(0, TimeStatus::invalid);
  EXPECT_EQ(LocalSplitTimeText(std::numeric_limits<double>::quiet_NaN(), 0), invalid);
  EXPECT_EQ(LocalSplitTimeText(1e300, 0.25), invalid);
  EXPECT_EQ(LocalSplitTimeText(-1e12, 0), invalid);
}

TEST(MergePageTimes, AdditionFollowsTheDateTypeBeforeItsEpoch) {
  struct Case {
    double date, days, sum;
  };
  const Case cases[] = {
      {45000.5, 0.25, 45000.75}, {-1.25, 0.5, -1.75},  // 1899-12-29 06:00 + 12 h = 18:00
      {0.25, -0.5, -1.75},                             // 1899-12-30 06:00 - 12 h = the 29th, 18:00
      {-2.5, 1.0, -1.5},                               // the 28th at noon + a day
      {-1.75, 1.0, 0.75},                              // the 29th, 18:00 + a day
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(AddDaysToOleDate(c.date, c.days), c.sum) << c.date << " + " << c.days;
  }
}

// The C library's own view of local time and UTC at one moment, as an independent measure.
TEST(MergePageTimes, TheOffsetIsLocalTimeMinusUtcNow) {
  const std::time_t now = std::time(nullptr);
  const std::tm local = *std::localtime(&now);
  const std::tm utc = *std::gmtime(&now);
  const auto ole = [](const std::tm& t) {
    return OleDateFromCalendarTime(
        {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, 0});
  };
  const double expected = ole(local) - ole(utc);
  EXPECT_NEAR(CurrentLocalTimeOffsetDays(), expected, 1.5 / 86400);
  const double minutes = CurrentLocalTimeOffsetDays() * 1440;
  EXPECT_NEAR(minutes, std::round(minutes), 1e-6) << "offsets are whole minutes";
}

TEST(MergePageTarget, TheNamesFolderPartIsIgnored) {
  struct Case {
    std::string folder, name;
    PathStyle style;
    std::string target;
  };
  const Case cases[] = {
      {"C:\\out", "film.avi", PathStyle::windows, "C:\\out\\film.avi"},
      {"C:\\out\\", "film.avi", PathStyle::windows, "C:\\out\\film.avi"},
      {"C:/out", "film.avi", PathStyle::windows, "C:/out/film.avi"},
      {"C:\\out", "D:\\elsewhere\\film.avi", PathStyle::windows, "C:\\out\\film.avi"},
      {"/home/u/out", "sub/film.avi", PathStyle::posix, "/home/u/out/film.avi"},
      {"out", "a\\b\\film.avi", PathStyle::posix, "out/film.avi"},
      {"/", "film.avi", PathStyle::posix, "/film.avi"},
      {"", "film.avi", PathStyle::posix, "film.avi"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MergeTargetPath(c.folder, c.name, c.style), c.target) << c.folder << " + " << c.name;
  }
}

TEST(MergePageTarget, ABareMasterNameMergesIntoTheCurrentFolder) {
  EXPECT_EQ(MasterFolder("C:\\p\\a_00000.fsm", PathStyle::windows), "C:\\p\\");
  EXPECT_EQ(MasterFolder("/p/a_00000.fsm", PathStyle::posix), "/p/");
  EXPECT_EQ(MasterFolder("a_00000.fsm", PathStyle::posix), "./");
  EXPECT_EQ(MasterFolder("a_00000.fsm", PathStyle::windows), ".\\");
}

}  // namespace
