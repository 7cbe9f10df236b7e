#include "res/string_table.h"

#include <gtest/gtest.h>

TEST(StringTable, KnownIdsHaveTheirTextsAndUnknownIdsNone) {
  EXPECT_EQ(*StringTableText(IDS_OPERATION_COMPLETED), "The operation was completed.");
  EXPECT_EQ(*StringTableText(IDS_FILE_ERROR_BASE + 14), "Attempted to access %1 past its end.");
  EXPECT_FALSE(StringTableText(4242).has_value());
}

TEST(StringTable, TitleFollowsTheRunningProgram) {
  SetApplicationTitle("PartwellLite");
  EXPECT_EQ(*StringTableText(IDS_APP_TITLE), "PartwellLite");
  SetApplicationTitle("Partwell");
  EXPECT_EQ(*StringTableText(IDS_APP_TITLE), "Partwell");
}
