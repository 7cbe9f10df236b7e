#include "ui/console/wording.h"

#include <gtest/gtest.h>

#include <string>

#include "base/exceptions.h"
#include "base/message_format.h"
#include "res/resource.h"

namespace {

std::string Text(unsigned id, std::initializer_list<std::string_view> args = {}) {
  return LoadMessage(id, args).value_or("?");
}

std::string SharingViolation(const std::string& path) {
  return CFileException(CFileException::sharingViolation, -1, path).what();
}

TEST(ConsoleWording, RewordsTheTextsThatMisleadOnATerminalAndNoOther) {
  EXPECT_EQ(ConsoleWording(SharingViolation("/d/a.bin")), "Another program is using /d/a.bin.");
  EXPECT_EQ(ConsoleWording(Text(IDS_STUB_TOO_OLD, {"/bin/PartwellLite"})),
            "Your version of PartwellLite doesn't support self-extraction: update your copy of "
            "PartwellLite, or split with --data-only. File location: /bin/PartwellLite");
  EXPECT_EQ(ConsoleWording(Text(IDS_FILE_NOT_FOUND, {"/d/a.bin"})),
            "The file /d/a.bin was not found.");
  // Texts that only begin or end as a table entry does are not taken for it.
  EXPECT_EQ(ConsoleWording("Encountered a sharing violation while accessing /d/a.bin. Twice"),
            "Encountered a sharing violation while accessing /d/a.bin. Twice");

  EXPECT_EQ(VerifyStatusText(Text(IDS_CREATING_FILE, {"a.bin"})),
            "Verifying the split files of a.bin...");
  EXPECT_EQ(VerifyStatusText(Text(IDS_PROCESSING_FILE, {"a_00001.fss"})),
            "Processing a_00001.fss...");

  const std::string transfer = Text(IDS_DATA_PROCESSED, {"2.00 MB", "2.00 MB"});
  EXPECT_EQ(TransferLineText(transfer, 999), "Data processed: 2.00 MB");
  EXPECT_EQ(TransferLineText(transfer, 1000), transfer);
  EXPECT_EQ(TransferLineText("Time ellapsed: 00:00:00", 0), "Time ellapsed: 00:00:00");
}

TEST(ConsoleWording, LocationReasonNamesTheSplitFileAndAsksForEnter) {
  const std::string corruption = Text(IDS_CORRUPTION_WARNING, {Text(IDS_CONTENTS_MISMATCH)});
  const struct {
    std::string reason, path;
    LocationReason shown;
  } cases[] = {
      {Text(IDS_INSERT_MERGE_DISK, {corruption, "2"}),
       "/d/a_00002.fss",
       {"Corruption warning: The initial and final file contents do not match in "
        "/d/a_00002.fss (disk #2).",
        "If you are merging from removable media, insert disk #2, then press Enter."}},
      // A reason that names the file already is not given its path again.
      {Text(IDS_INSERT_MERGE_DISK, {Text(IDS_FILE_NOT_FOUND, {"/d/a_00003.fss"}), "3"}),
       "/d/a_00003.fss",
       {"The file /d/a_00003.fss was not found (disk #3).",
        "If you are merging from removable media, insert disk #3, then press Enter."}},
      {Text(IDS_INSERT_MERGE_DISK, {SharingViolation("/d/a_00004.fss"), "4"}),
       "/d/a_00004.fss",
       {"Another program is using /d/a_00004.fss (disk #4).",
        "If you are merging from removable media, insert disk #4, then press Enter."}},
      {Text(IDS_NOT_ENOUGH_SPACE_DISK, {"/d/a_00005.fss", "5"}),
       "/d/",
       {"Not enough space to store /d/a_00005.fss (disk #5).",
        "If you are splitting to removable media, insert a new disk labeled #5, then press "
        "Enter."}},
      {"Disk full while accessing /d/a_00001.fss.",
       "/d/",
       {"Disk full while accessing /d/a_00001.fss.", ""}},
  };
  for (const auto& c : cases) {
    const LocationReason shown = ConsoleLocationReason(c.reason, c.path);
    EXPECT_EQ(shown.text, c.shown.text);
    EXPECT_EQ(shown.mediaHint, c.shown.mediaHint);
  }
}

}  // namespace
