#include "platform/system_error.h"

#include <gtest/gtest.h>

#include "platform/files.h"

namespace {

using namespace platform;

TEST(SystemError, NamedCodesGiveTheirCauses) {
  const std::pair<ErrorCode, int> cases[] = {
      {0, 0},
      {kErrorFileNotFound, 2},
      {kErrorPathNotFound, 3},
      {kErrorBufferOverflow, 3},
      {kErrorInvalidName, 3},
      {kErrorAccessDenied, 5},
      {kErrorSharingViolation, 11},
      {kErrorDiskFull, 13},
      {kErrorNotEnoughMemory, 1},
      {0xDEADBEEF, 1},
  };
  for (auto [code, cause] : cases) EXPECT_EQ(FileErrorCauseFor(code), cause) << code;
}

// Spot checks of the Windows table, one or two codes from each row.
TEST(SystemError, WindowsCodesMapAsTheFrameworkDoes) {
  if (kNativePathStyle != PathStyle::windows) GTEST_SKIP() << "Win32 codes";
  const std::pair<ErrorCode, int> cases[] = {
      {6, 2},    {107, 2}, {267, 3},  {161, 3}, {113, 4}, {183, 5}, {999, 5},
      {193, 6},  {16, 7},  {145, 7},  {62, 8},  {131, 9}, {25, 9},  {21, 10},
      {997, 10}, {33, 12}, {167, 12}, {39, 13}, {38, 14}, {1, 1},   {1000, 1},
  };
  for (auto [code, cause] : cases) EXPECT_EQ(FileErrorCauseFor(code), cause) << code;
}

TEST(SystemError, SystemTextsHaveNoTrailingLineBreak) {
  for (ErrorCode code : {kErrorFileNotFound, kErrorPathNotFound, kErrorAccessDenied,
                         kErrorSharingViolation, kErrorDiskFull}) {
    std::optional<std::string> text = SystemErrorText(code);
    ASSERT_TRUE(text.has_value()) << code;
    ASSERT_FALSE(text->empty()) << code;
    EXPECT_NE(text->back(), '\n') << code;
    EXPECT_NE(text->back(), '\r') << code;
  }
}

TEST(SystemError, UnknownCodeHasNoText) {
  EXPECT_FALSE(SystemErrorText(0xDEADBEEF).has_value());
  EXPECT_FALSE(SystemErrorText(0x7FFFFFFF).has_value());
}

}  // namespace
