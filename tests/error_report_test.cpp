#include "ui/error_report.h"

#include <gtest/gtest.h>

#include "engine/operation_host.h"
#include "platform/unicode.h"
#include "res/resource.h"

namespace {

using platform::kErrorAccessDenied;

std::string SystemText(platform::ErrorCode code) {
  std::optional<std::string> text = platform::SystemErrorText(code);
  EXPECT_TRUE(text.has_value()) << code;
  return text.value_or("");
}

std::string AccessDeniedHeading() {
  return "Error #" + std::to_string(kErrorAccessDenied) + ": " + SystemText(kErrorAccessDenied);
}

TEST(SystemErrorReport, TextWithAndWithoutData) {
  ErrorReport withData = ReportStartupError(CSystemErrorException(kErrorAccessDenied, "C:\\x"));
  EXPECT_TRUE(withData.shown);
  EXPECT_EQ(withData.text, AccessDeniedHeading() + "\n\nData: C:\\x");
  EXPECT_EQ(withData.boxType, kBoxIconExclamation);
  EXPECT_EQ(withData.helpContext, 0u);

  ErrorReport without = ReportStartupError(CSystemErrorException(kErrorAccessDenied));
  EXPECT_EQ(without.text, AccessDeniedHeading());
}

TEST(SystemErrorReport, CodeZeroOrUnknownShowsTheFallback) {
  for (platform::ErrorCode code : {0u, 0xDEADBEEFu}) {
    CSystemErrorException error(code, "data");
    std::string text;
    EXPECT_FALSE(error.GetErrorMessage(text, 512)) << code;
    EXPECT_EQ(ReportStartupError(error).text, "No error message is available.");
    EXPECT_EQ(ReportCommandError(error, true).text, "Command failed.");
    EXPECT_EQ(ReportCommandError(error, false).text, "Internal application error.");
    EXPECT_EQ(ReportError(error, kBoxIconError, IDS_OPERATION_NOT_COMPLETED).text,
              "The operation was NOT completed.");
  }
}

// The report buffer holds 511 UTF-16 units and a terminator. A composed text that does not
// fit gives way to the system text, with the data under it while both fit.
TEST(SystemErrorReport, LongDataIsCutAtTheReportBuffer) {
  std::string system = SystemText(kErrorAccessDenied);
  std::size_t room = 512 - 6 - platform::Utf16Length(system);  // separator and terminator
  // A data text of exactly the room left, in characters of one and two UTF-16 units.
  std::string data = "\xF0\x9F\x98\x80";                          // two units
  while (platform::Utf16Length(data) < room) data += "\xC3\xA9";  // one unit each
  ASSERT_EQ(platform::Utf16Length(data), room);

  std::string fits = ReportStartupError(CSystemErrorException(kErrorAccessDenied, data)).text;
  EXPECT_EQ(fits, system + "\r\n\r\n\t" + data);
  EXPECT_EQ(platform::Utf16Length(fits), 511u);

  std::string cut = ReportStartupError(CSystemErrorException(kErrorAccessDenied, data + "!")).text;
  EXPECT_EQ(cut, system);
}

TEST(SystemErrorReport, SmallBufferKeepsTheStartOfTheSystemText) {
  std::string system = SystemText(kErrorAccessDenied);
  ASSERT_GT(system.size(), 6u);
  std::string text;
  EXPECT_TRUE(CSystemErrorException(kErrorAccessDenied, "C:\\x").GetErrorMessage(text, 6));
  EXPECT_EQ(text, system.substr(0, 5));
  EXPECT_FALSE(CSystemErrorException(kErrorAccessDenied).GetErrorMessage(text, 0));
}

TEST(SystemErrorReport, CodesAboveTwoToTheThirtyFirstAreWrittenUnsigned) {
  ErrorReport box = SystemErrorBox(0x80070005u);
  EXPECT_TRUE(box.shown);
  EXPECT_EQ(box.text.rfind("Error #2147942405: ", 0), 0u) << box.text;
  EXPECT_EQ(box.boxType, kBoxIconExclamation);
  std::string text;
  if (CSystemErrorException(0x80070005u).GetErrorMessage(text, 512)) {
    EXPECT_EQ(text.rfind("Error #2147942405: ", 0), 0u) << text;
  }
}

TEST(SystemErrorReport, SystemErrorBox) {
  EXPECT_FALSE(SystemErrorBox(0).shown);
  ErrorReport box = SystemErrorBox(kErrorAccessDenied);
  EXPECT_TRUE(box.shown);
  EXPECT_EQ(box.text, AccessDeniedHeading());
}

TEST(AppErrorReport, EmptyTextIsSilent) {
  EXPECT_FALSE(ReportStartupError(CAppException(std::string())).shown);
  EXPECT_FALSE(ReportCommandError(CAppException(std::string()), true).shown);
  // An id that is not in the string table gives an empty message.
  EXPECT_FALSE(ReportStartupError(CAppException(4242u)).shown);
  try {
    ThrowAppException(4242, {"x"});
  } catch (const CAppException& error) {
    EXPECT_TRUE(error.message.empty());
  }
}

TEST(AppErrorReport, TextAndBoxType) {
  try {
    ThrowAppException(IDS_FILE_NOT_FOUND, {"C:\\a.fsm"});
  } catch (const CAppException& error) {
    ErrorReport report = ReportCommandError(error, false);
    EXPECT_TRUE(report.shown);
    EXPECT_EQ(report.text, "The file C:\\a.fsm was not found.");
    EXPECT_EQ(report.boxType, kBoxIconError);
  }
  CAppException own(IDS_NO_FILE_NAME);
  EXPECT_EQ(own.message, "The file name was not specified.");
  own.messageBoxType = static_cast<int>(kBoxIconQuestion | kBoxYesNo);
  EXPECT_EQ(ReportCommandError(own, true).boxType, kBoxIconQuestion | kBoxYesNo);
}

TEST(AppErrorReport, LongTextIsCutToTheBuffer) {
  std::string text(600, 'a');
  text[510] = '\xC3';  // a two-byte character of one unit at the cut
  text.insert(511, "\xA9");
  ErrorReport report = ReportStartupError(CAppException(text));
  EXPECT_EQ(platform::Utf16Length(report.text), 511u);
  EXPECT_EQ(report.text.substr(508), "aa\xC3\xA9");
  std::string small;
  EXPECT_FALSE(CAppException(text).GetErrorMessage(small, 0));
  EXPECT_TRUE(CAppException(text).GetErrorMessage(small, 1));
  EXPECT_EQ(small, "");
}

TEST(FileErrorReport, CauseTextWithTheFileNameAndItsHelpContext) {
  ErrorReport report =
      ReportCommandError(CFileException(CFileException::fileNotFound, 2, "C:\\a.fss"), false);
  EXPECT_EQ(report.text, "C:\\a.fss was not found.");
  EXPECT_EQ(report.helpContext, IDS_FILE_ERROR_BASE + 2);
  EXPECT_EQ(report.boxType, kBoxIconError);
  EXPECT_STREQ(CFileException(CFileException::sharingViolation, 32, "x").what(),
               "Encountered a sharing violation while accessing x.");
  EXPECT_EQ(ReportStartupError(CFileException(99, -1, "x")).text, "No error message is available.");
}

TEST(OtherErrorReports, SilentAbortAndOutOfMemory) {
  EXPECT_FALSE(ReportCommandError(CUserException(), true).shown);
  EXPECT_FALSE(ReportStartupError(CUserException()).shown);
  ErrorReport memory = ReportCommandError(CMemoryException(), false);
  EXPECT_EQ(memory.text, "Out of memory.");
  EXPECT_EQ(memory.boxType, kBoxIconExclamation | kBoxSystemModal);
  EXPECT_EQ(ReportStartupError(CMemoryException()).boxType, kBoxIconExclamation);
}

}  // namespace
