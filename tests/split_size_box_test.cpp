#include <gtest/gtest.h>

#include "tests/support/locale_scope.h"
#include "ui/split_checks.h"
#include "ui/split_presets.h"

namespace {

// The free-space button fills a disk with each split file, within the split file size range.
TEST(SplitSizeBox, FreeSpaceBecomesTheSizeWithinItsRange) {
  EXPECT_EQ(SplitFileSizeForFreeSpace(std::nullopt), std::nullopt);
  EXPECT_EQ(SplitFileSizeForFreeSpace(4367), std::nullopt);
  EXPECT_EQ(SplitFileSizeForFreeSpace(4368), 4368u);
  EXPECT_EQ(SplitFileSizeForFreeSpace(107374182400), 107374182400u);
  EXPECT_EQ(SplitFileSizeForFreeSpace(2ull << 40), 107374182400u);
}

// After a change of the number format the box shows its size in the new form; a text that no
// longer reads shows the stored size.
TEST(SplitSizeBox, ReformattedInTheNewNumberFormat) {
  test::LocaleScope german(test::Locale::german);
  EXPECT_EQ(ReformattedSizeBox("700MB", 1), "734.003.200 (700 MB)");
  EXPECT_EQ(ReformattedSizeBox("681.984.000 (CD)", 1), "681.984.000 (650,39 MB)");
  EXPECT_EQ(ReformattedSizeBox("1,073,741,824 (1 GB)", 2147483648), "2.147.483.648 (2 GB)");
  EXPECT_EQ(ReformattedSizeBox("", 1073741824), "1.073.741.824 (1 GB)");
}

}  // namespace
