#include "ui/split_page_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "base/exceptions.h"
#include "engine/package_names.h"
#include "platform/files.h"
#include "tests/support/locale_scope.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/split_package.h"
#include "ui/split_checks.h"

namespace {

const std::string kSizeRange =
    "The byte size of the split files must be an integer between 4,368 and 107,374,182,400 "
    "(100.00 GB).";
const std::string kCountRange = "The number of split files must be an integer between 2 and ";

class SplitPageRules : public testing::Test {
 protected:
  SplitPageFields SourceFields() {
    const Bytes bytes = SourceBytes(10000);
    SplitPageFields fields;
    fields.sourcePath = scratch_.Write("movie.avi", bytes.data(), bytes.size());
    return fields;
  }
  std::string Folder() const { return (scratch_.Path() / "").string(); }

  test::LocaleScope english_{test::Locale::english};
  ScratchFolder scratch_;
  SplitOptions options_;
};

// The size box is read up to its first blank, so that the part in parentheses falls away.
TEST_F(SplitPageRules, SizeBoxIsReadUpToItsFirstBlank) {
  struct Case {
    const char* text;
    std::uint64_t bytes;  // 0: refused
  };
  const Case sizes[] = {
      {"700MB", 700ull << 20},
      {"1,073,741,824 (1.00 GB)", 1073741824},
      {"681,984,000 (CD 650 MB)", 681984000},
      {"4.5KB", 4608},
      {"4,368", 4368},
      {"100GB", 107374182400},
      {"700 MB", 0},  // 700 bytes
      {"4,367", 0},
      {"107,374,182,401", 0},
      {" 700MB", 0},  // nothing before the blank
      {"lots", 0},
      {"", 0},
  };
  for (const Case& test : sizes) {
    SCOPED_TRACE(test.text);
    if (test.bytes != 0) {
      EXPECT_EQ(CheckedSplitFileSize(test.text), test.bytes);
    } else {
      EXPECT_EQ(RaisedText([&] { CheckedSplitFileSize(test.text); }), kSizeRange);
    }
  }
}

TEST_F(SplitPageRules, NothingIsDerivedWithoutASource) {
  SplitPageFields fields;
  fields.countText = "not a number";
  EXPECT_FALSE(LoadSplitInfo(fields, options_, {}).has_value());
  EXPECT_EQ(fields.countText, "not a number");
}

TEST_F(SplitPageRules, SizeModeShowsTheFileCount) {
  SplitPageFields fields = SourceFields();
  fields.bySize = true;
  fields.sizeText = "4,424 (4.32 KB)";
  fields.destinationFolder = "typed before";
  fields.namePrefix = "typed before";
  options_.comments = "for the record";
  const std::optional<MasterHeader> header = LoadSplitInfo(fields, options_, {});
  ASSERT_TRUE(header.has_value());
  EXPECT_EQ(header->fileCount, 4u);
  EXPECT_EQ(options_.maxSplitFileSize, 4424u);
  EXPECT_TRUE(options_.bySize);
  EXPECT_EQ(fields.countText, "4");
  EXPECT_EQ(fields.byteSizeText, "10,000 (9.77 KB)");
  EXPECT_EQ(fields.comments, "for the record");
  // The source's folder and name, whatever was typed.
  EXPECT_EQ(fields.destinationFolder, Folder());
  EXPECT_EQ(fields.namePrefix, "movie.avi");
  EXPECT_EQ(PrepareSplitRun(fields, options_), Folder() + "movie.avi");
  EXPECT_EQ(fields.sizeText, "4,424 (4.32 KB)");
}

TEST_F(SplitPageRules, CountModeShowsAndStoresTheSize) {
  SplitPageFields fields = SourceFields();
  fields.countText = "3";
  ASSERT_TRUE(LoadSplitInfo(fields, options_, {}).has_value());
  EXPECT_EQ(options_.fileCount, 3u);
  EXPECT_EQ(options_.maxSplitFileSize, 5056u);
  EXPECT_EQ(fields.sizeText, "5,056 (4.94 KB)");

  // More files than the source allows: the planner names the largest count.
  fields.countText = "4";
  EXPECT_EQ(RaisedText([&] { LoadSplitInfo(fields, options_, {}); }), kCountRange + "3.");
  EXPECT_EQ(options_.maxSplitFileSize, 5056u);
  fields.countText = "32,767";
  EXPECT_EQ(RaisedText([&] { LoadSplitInfo(fields, options_, {}); }), kCountRange + "32,766.");
}

TEST_F(SplitPageRules, RecoveryShareIsReadLastAndPlansTheVolumes) {
  SplitPageFields fields = SourceFields();
  fields.countText = "3";
  fields.recoveryPercentText = "not read while unchecked";
  ASSERT_TRUE(LoadSplitInfo(fields, options_, {}).has_value());
  EXPECT_EQ(options_.recovery.value, 0u);
  EXPECT_EQ(fields.recoveryText, "");

  fields.recovery = true;
  fields.recoveryPercentText = "50";
  ASSERT_TRUE(LoadSplitInfo(fields, options_, {}).has_value());
  EXPECT_EQ(options_.recovery.value, 50u);
  EXPECT_TRUE(options_.recovery.percent);
  EXPECT_EQ(fields.recoveryText.rfind("2 volumes of ", 0), 0u) << fields.recoveryText;
  ClearSplitInfo(fields);
  EXPECT_EQ(fields.recoveryText, "");

  // A bad share leaves the rest of the plan shown, and refuses the split.
  const std::string range =
      "The recovery files' share of the split files must be an integer between 1 and 100 "
      "percent.";
  for (const char* typed : {"0", "101", "", "ten"}) {
    SCOPED_TRACE(typed);
    fields.recoveryPercentText = typed;
    ClearSplitInfo(fields);
    EXPECT_EQ(RaisedText([&] { LoadSplitInfo(fields, options_, {}); }), range);
    EXPECT_EQ(fields.byteSizeText, "10,000 (9.77 KB)");
    EXPECT_EQ(fields.recoveryText, "");
    EXPECT_EQ(RaisedText([&] { PrepareSplitRun(fields, options_); }), range);
  }
  fields.recoveryPercentText = "050";
  PrepareSplitRun(fields, options_);
  EXPECT_EQ(fields.recoveryPercentText, "50");
}

TEST_F(SplitPageRules, StoredFolderAndPrefixWhenTheOptionsAreClear) {
  SplitPageFields fields = SourceFields();
  fields.bySize = true;
  fields.sizeText = "1MB";
  fields.useSourceFolder = false;
  fields.useSourceFileName = false;
  const std::string other = (scratch_.Path() / "other").string();
  std::filesystem::create_directory(other);
  ASSERT_TRUE(LoadSplitInfo(fields, options_, {other, "pre"}).has_value());
  EXPECT_EQ(fields.destinationFolder, other);
  EXPECT_EQ(fields.namePrefix, "pre");
  EXPECT_EQ(PrepareSplitRun(fields, options_), other + NativeSeparator() + "pre");
  EXPECT_EQ(fields.sizeText, "1,048,576 (1.00 MB)");

  // Empty stored values fall back to the source's folder and name.
  ASSERT_TRUE(LoadSplitInfo(fields, options_, {}).has_value());
  EXPECT_EQ(fields.destinationFolder, Folder());
  EXPECT_EQ(fields.namePrefix, "movie.avi");

  const std::string missing = (scratch_.Path() / "missing").string();
  EXPECT_EQ(RaisedText([&] {
              LoadSplitInfo(fields, options_, {missing, ""});
            }),
            "The folder " + missing + " was not found.");
  fields.destinationFolder = missing;
  EXPECT_EQ(RaisedText([&] { PrepareSplitRun(fields, options_); }),
            "The folder " + missing + " was not found.");
}

TEST_F(SplitPageRules, PlannerErrorsLeaveTheInformationCleared) {
  SplitPageFields fields = SourceFields();
  fields.bySize = true;
  fields.sizeText = "700 MB";
  fields.byteSizeText = "old";
  ClearSplitInfo(fields);
  EXPECT_EQ(fields.byteSizeText, "");
  EXPECT_EQ(RaisedText([&] { LoadSplitInfo(fields, options_, {}); }), kSizeRange);
  EXPECT_EQ(fields.byteSizeText, "");

  fields.sizeText = "1MB";
  fields.sourcePath = (scratch_.Path() / "gone.avi").string();
  EXPECT_EQ(RaisedText([&] { LoadSplitInfo(fields, options_, {}); }),
            "The file " + fields.sourcePath + " was not found.");
  EXPECT_EQ(fields.byteSizeText, "");
}

TEST_F(SplitPageRules, DestinationPrefixJoinsFolderAndName) {
  const std::string s = NativeSeparator();
  EXPECT_EQ(SplitDestinationPrefix("out", "movie.avi"), "out" + s + "movie.avi");
  EXPECT_EQ(SplitDestinationPrefix("out" + s, "movie.avi"), "out" + s + "movie.avi");
  EXPECT_EQ(SplitDestinationPrefix("out/", "movie.avi"), "out/movie.avi");
  // Only the name part of the prefix counts.
  EXPECT_EQ(SplitDestinationPrefix("out", "elsewhere/movie.avi"), "out" + s + "movie.avi");
  // The package's files are named from it.
  EXPECT_EQ(PackageFileName(SplitDestinationPrefix("out", "movie.avi"), kCurrentVersion, false, 0),
            "out" + s + "movie.avi_00000.fsm");
}

}  // namespace
