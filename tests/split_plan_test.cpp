#include "engine/split/split_plan.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "base/exceptions.h"
#include "base/path_text.h"
#include "base/text_format.h"
#include "tests/support/locale_scope.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/split_package.h"

namespace {

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;
constexpr std::uint64_t kTiB = 1024 * kGiB;

const std::string kSourceRange =
    "The byte size of the file to split must be between 4,368 and 1,099,511,627,776 (1.00 TB).";
const std::string kSplitSizeRange =
    "The byte size of the split files must be an integer between 4,368 and 107,374,182,400 "
    "(100.00 GB).";
const std::string kTooManyFiles =
    "The operation yields too many split files.\n\nSpecify a larger split file size.";

class SplitPlan : public testing::Test {
 protected:
  // A sparse source of the size, made once per test.
  std::string Source(std::uint64_t size) {
    auto found = sources_.find(size);
    if (found != sources_.end()) return found->second;
    const std::string path = (scratch_.Path() / ("source-" + std::to_string(size))).string();
    MakeSparseFile(path, size);
    return sources_[size] = path;
  }
  std::string Prefix() const { return (scratch_.Path() / "out").string(); }

  ScratchFolder scratch_;
  std::map<std::uint64_t, std::string> sources_;
  // Numbers in messages are grouped as in English.
  test::LocaleScope english_{test::Locale::english};
};

TEST_F(SplitPlan, SizeModeAtEveryLimit) {
  struct Case {
    std::uint64_t sourceSize;
    std::uint64_t maxSplitFileSize;
    std::uint64_t pieceDataSize;  // expected when no error
    std::uint32_t fileCount;
    std::string error;
  };
  const std::uint64_t largestSplit = 100 * kGiB;
  const Case cases[] = {
      {4368, 4368, 4312, 3, ""},  // pieces of 4,312 and 56 bytes
      {4368, 4423, 4367, 3, ""},
      {4368, 4424, 4368, 2, ""},  // one data split file holds it all
      {4368, largestSplit, 4368, 2, ""},
      {4367, 4368, 0, 0, kSourceRange},
      {kTiB, largestSplit, largestSplit - 56, 12, ""},
      {kTiB + 1, largestSplit, 0, 0, kSourceRange},
      {100000, largestSplit + 1, 0, 0, kSplitSizeRange},
      {100000, 4367, 0, 0, kSplitSizeRange},
      {32765ull * 4312, 4368, 4312, 32766, ""},
      {32765ull * 4312 + 1, 4368, 0, 0, kTooManyFiles},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::to_string(test.sourceSize) + " at " + std::to_string(test.maxSplitFileSize));
    SplitOptions options;
    options.bySize = true;
    options.maxSplitFileSize = test.maxSplitFileSize;
    MasterHeader header;
    const std::string source = Source(test.sourceSize);
    EXPECT_EQ(RaisedText([&] { PlanSplit(source, Prefix(), options, header, nullptr); }),
              test.error);
    EXPECT_EQ(options.maxSplitFileSize, test.maxSplitFileSize);
    if (!test.error.empty()) continue;
    EXPECT_EQ(header.maxPieceDataSize, test.pieceDataSize);
    EXPECT_EQ(header.fileCount, test.fileCount);
    EXPECT_EQ(header.originalSize, test.sourceSize);
  }
}

TEST_F(SplitPlan, CountModeComputesTheSizeOrRefuses) {
  struct Case {
    std::uint64_t sourceSize;
    std::uint32_t wantedCount;
    std::uint64_t splitFileSize;  // stored back when no error
    std::uint32_t fileCount;
    std::string error;
  };
  const std::string countRange = "The number of split files must be an integer between 2 and ";
  const Case cases[] = {
      // Fewer files than asked for: 4,312 data bytes a piece need only 5,000 files.
      {21555600, 5001, 4368, 5000, ""},
      {100000, 2, 100056, 2, ""},
      {100000, 24, 4404, 24, ""},  // the largest count the size allows
      {100000, 25, 0, 0, countRange + "24."},
      {4368, 2, 4424, 2, ""},
      {4368, 3, 0, 0, countRange + "2."},
      {kTiB, 11, 0, 0, kSplitSizeRange},  // a share above 100 GiB
      {kTiB, 12, 99955602526 + 56, 12, ""},
      // Counts the page never lets through.
      {100000, 1, 0, 0, countRange + "32,766."},
      {100000, 32767, 0, 0, countRange + "32,766."},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::to_string(test.sourceSize) + " in " + std::to_string(test.wantedCount));
    SplitOptions options;
    options.bySize = false;
    options.fileCount = test.wantedCount;
    options.maxSplitFileSize = 777;
    MasterHeader header;
    const std::string source = Source(test.sourceSize);
    EXPECT_EQ(RaisedText([&] { PlanSplit(source, Prefix(), options, header, nullptr); }),
              test.error);
    if (!test.error.empty()) {
      EXPECT_EQ(options.maxSplitFileSize, 777u);
      continue;
    }
    EXPECT_EQ(options.maxSplitFileSize, test.splitFileSize);
    EXPECT_EQ(header.maxPieceDataSize, test.splitFileSize - 56);
    EXPECT_EQ(header.fileCount, test.fileCount);
  }
}

TEST_F(SplitPlan, EstimateHoldsTheMasterAndEqualShares) {
  EXPECT_EQ(EstimatePackageSize(3, 10000, 0), 2128u + 2 * (5000 + 56));
  EXPECT_EQ(EstimatePackageSize(3, 10001, 0), 2128u + 2 * (5001 + 56));
  EXPECT_EQ(EstimatePackageSize(2, 10000, 150000), 150000u + 2128 + 10056);
}

TEST_F(SplitPlan, PathChecks) {
  SplitOptions options;
  options.bySize = true;
  MasterHeader header;
  const auto plan = [&](const std::string& source, const std::string& prefix) {
    return RaisedText([&] { PlanSplit(source, prefix, options, header, nullptr); });
  };
  EXPECT_EQ(plan("", Prefix()), "The file name was not specified.");
  const std::string missing = (scratch_.Path() / "missing.bin").string();
  EXPECT_EQ(plan(missing, Prefix()), "The file " + missing + " was not found.");
  // A folder is not a file to split.
  EXPECT_EQ(plan(scratch_.PathText(), Prefix()),
            "The file " + scratch_.PathText() + " was not found.");

  // Paths of 259 and 260 UTF-16 units.
  const std::string folder = (scratch_.Path() / "").string();
  const std::string longest = folder + std::string(259 - folder.size(), 'n');
  const std::string tooLong = folder + std::string(260 - folder.size(), 'm');
  MakeSparseFile(longest, 5000);
  MakeSparseFile(tooLong, 5000);
  EXPECT_EQ(plan(longest, Prefix()), "");
  EXPECT_EQ(plan(tooLong, Prefix()),
            "The length of the source file path can't exceed 259 characters.\n\n"
            "Reduce the length of the source file path.");

  const std::string source = Source(5000);
  EXPECT_EQ(plan(source, std::string(249, 'p')), "");
  EXPECT_EQ(header.pathPrefix, std::string(249, 'p'));
  EXPECT_EQ(plan(source, std::string(250, 'p')),
            "The length of the split files path can't exceed 249 characters.\n\n"
            "Reduce the length of the split files path or that of their file name prefix.");
}

TEST_F(SplitPlan, StubIsCheckedBeforeItIsUsed) {
  const std::string folder = (scratch_.Path() / "").string();
  const std::string stubPath = folder + LiteProgramFileName();
  StubRecord stub;
  EXPECT_EQ(RaisedText([&] { LocateStubIn(folder, stub); }), stubPath + " was not found.");

  const std::string built = BuiltLiteProgramPath();
  CopyLiteProgramWithVersion(built, folder, 0x00010009);
  EXPECT_EQ(RaisedText([&] { LocateStubIn(folder, stub); }),
            "Your version of PartwellLite doesn't support self-extraction. \n\nYou can either "
            "update your copy of PartwellLite, or clear \nthe self-extraction check box in order "
            "to split files.\n\nFile location: " +
                stubPath);
  CopyLiteProgramWithVersion(built, folder, 0x00030001, false);
  EXPECT_NE(RaisedText([&] { LocateStubIn(folder, stub); }).find("File location: " + stubPath),
            std::string::npos);

  CopyLiteProgramWithVersion(built, folder, 0x00020000);
  ASSERT_EQ(RaisedText([&] { LocateStubIn(folder, stub); }), "");
  EXPECT_EQ(stub.path, stubPath);
  EXPECT_EQ(stub.size, FileBytes(built).size());

  // A file without any version data is refused with the system's error.
  const Bytes junk = SourceBytes(5000);
  scratch_.Write(LiteProgramFileName(), junk.data(), junk.size());
  try {
    LocateStubIn(folder, stub);
    ADD_FAILURE() << "a stub without version data was accepted";
  } catch (const CSystemErrorException& error) {
    EXPECT_EQ(error.dataText, stubPath);
  }
}

TEST_F(SplitPlan, SelfExtractingNeedsRoomForTheStub) {
  StubRecord stub;
  LocateStub(stub);
  EXPECT_EQ(FileNamePart(stub.path), LiteProgramFileName());
  EXPECT_EQ(stub.size, FileBytes(BuiltLiteProgramPath()).size());
  SplitOptions options;
  options.bySize = true;
  options.selfExtracting = true;
  options.maxSplitFileSize = stub.size + 55;
  MasterHeader header;
  const std::string source = Source(5000);
  EXPECT_EQ(RaisedText([&] { PlanSplit(source, Prefix(), options, header, &stub); }),
            "The split file size must be at least " + FormatInteger(stub.size + 56) +
                " bytes in order to acommodate the self-extracting master file.");
  // The page plans without a stub record: the stub is not looked at.
  EXPECT_EQ(RaisedText([&] { PlanSplit(source, Prefix(), options, header, nullptr); }), "");
  options.maxSplitFileSize = stub.size + 56;
  EXPECT_EQ(RaisedText([&] { PlanSplit(source, Prefix(), options, header, &stub); }), "");
}

}  // namespace
