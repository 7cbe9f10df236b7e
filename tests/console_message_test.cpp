#include "ui/console/message.h"

#include <gtest/gtest.h>

#include "base/message_format.h"
#include "res/resource.h"

namespace {

TEST(ConsoleMessage, StartsWithTheProgramNameAndLeavesOutBlankLines) {
  EXPECT_EQ(MessageText("partwell", "Done."), "partwell: Done.");
  EXPECT_EQ(MessageText("PartwellLite",
                        LoadMessage(IDS_CONFIRM_OVERWRITE_FILE, {"/d/a.bin"}).value_or("")),
            "PartwellLite: The operation will overwrite /d/a.bin.\nWould you like to continue?");
  EXPECT_EQ(MessageText("pw", "One.\n\n\nTwo,\nthree."), "pw: One.\nTwo,\nthree.");
}

}  // namespace
