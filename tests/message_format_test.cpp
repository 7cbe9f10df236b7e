#include "base/message_format.h"

#include <gtest/gtest.h>

#include "res/resource.h"

TEST(FormatMessageText, FillsNumberedInsertsOnce) {
  struct Case {
    std::string_view pattern, expected;
  } cases[] = {{"%1 (%2)", "a (%1)"},        {"%2 before %1%1", "%1 before aa"},
               {"100%% of %1", "100% of a"}, {"%3 is missing", " is missing"},
               {"trailing %", "trailing %"}, {"%0 and %x stay", "%0 and %x stay"}};
  // The second argument looks like an insert: it must not be filled again.
  for (const Case& c : cases) EXPECT_EQ(FormatMessageText(c.pattern, {"a", "%1"}), c.expected);
  EXPECT_EQ(FormatMessageText("%9%8%1", {"1", "2", "3", "4", "5", "6", "7", "8", "9"}), "981");
}

TEST(LoadMessage, FormatsTableTextsAndRefusesUnknownIds) {
  EXPECT_EQ(LoadMessage(IDS_NUMBER_WITH_SIZE, {"1,024", "1.00 KB"}), "1,024 (1.00 KB)");
  EXPECT_EQ(LoadMessage(IDS_OPERATION_COMPLETED), "The operation was completed.");
  EXPECT_FALSE(LoadMessage(4242, {"x"}).has_value());
}

TEST(LoadStringPart, PicksNewlineSeparatedParts) {
  EXPECT_EQ(LoadStringPart(IDS_ACTION_BUTTON, 0), "&Split");
  EXPECT_EQ(LoadStringPart(IDS_ACTION_BUTTON, 1), "&Merge");
  EXPECT_EQ(LoadStringPart(IDS_ACTION_BUTTON, 2), "");
  EXPECT_EQ(LoadStringPart(IDS_ACTION_BUTTON, -1), "");
  EXPECT_EQ(LoadStringPart(IDS_BYTE_UNITS, 8), "YB");
  EXPECT_EQ(LoadStringPart(IDS_OPERATION_COMPLETED, 0), "The operation was completed.");
  EXPECT_EQ(LoadStringPart(4242, 0), "");
}
