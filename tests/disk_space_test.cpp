#include "engine/disk_space.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/exceptions.h"
#include "engine/file64.h"
#include "engine/operation_host.h"
#include "platform/files.h"
#include "platform/unicode.h"
#include "res/resource.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/scripted_host.h"
#include "tests/support/split_package.h"

namespace {

TEST(DiskSpace, FreeSpaceOfTheFolderThatHoldsAPath) {
  ScratchFolder scratch;
  const std::string folder = scratch.PathText();
  const std::string file = (scratch.Path() / "not-yet.bin").string();
  EXPECT_TRUE(GetFreeSpaceAt(folder, true).has_value());
  EXPECT_TRUE(GetFreeSpaceAt(folder + NativeSeparator(), true).has_value());
  // Without the folder flag the last part is a file name and is dropped, so a file that does
  // not exist yet in an existing folder has the folder's free space.
  EXPECT_TRUE(GetFreeSpaceAt(file, false).has_value());
  // Nothing when the folder is missing: the callers then skip their checks.
  const std::string missing = (scratch.Path() / "gone" / "deeper").string();
  EXPECT_FALSE(GetFreeSpaceAt(missing, true).has_value());
  EXPECT_FALSE(GetFreeSpaceAt(missing + NativeSeparator() + "file.fss", false).has_value());
}

struct PromptCase {
  const char* name;
  LocationMode mode;
  LocationAnswer replyAnswer;
  std::string replyPath;
  LocationAnswer expected;
  std::string expectedPath;  // what the caller's path holds afterwards
};

TEST(DiskSpace, PromptAnswers) {
  const std::string start = "start" + NativeSeparator();
  const std::string tooLong(260, 'x');
  const std::vector<PromptCase> cases = {
      {"folder with separator", LocationMode::folder, LocationAnswer::ok,
       "other" + NativeSeparator(), LocationAnswer::ok, "other" + NativeSeparator()},
      {"folder typed without separator", LocationMode::folder, LocationAnswer::ok, "other",
       LocationAnswer::ok, "other" + NativeSeparator()},
      {"folder typed with the other separator", LocationMode::folder, LocationAnswer::ok, "other/",
       LocationAnswer::ok, "other/"},
      {"cancel", LocationMode::folder, LocationAnswer::cancel, "ignored", LocationAnswer::cancel,
       start},
      {"folder of 260 units", LocationMode::folder, LocationAnswer::ok, tooLong,
       LocationAnswer::pathTooLong, start},
      {"folder of 259 units grows by its separator", LocationMode::folder, LocationAnswer::ok,
       tooLong.substr(1), LocationAnswer::pathTooLong, start},
      {"host reports too long", LocationMode::folder, LocationAnswer::pathTooLong, "",
       LocationAnswer::pathTooLong, start},
      {"file keeps its name", LocationMode::file, LocationAnswer::ok, "disk/piece_00002.fss",
       LocationAnswer::ok, "disk/piece_00002.fss"},
      {"file of 260 units", LocationMode::file, LocationAnswer::ok, tooLong,
       LocationAnswer::pathTooLong, start},
  };
  for (const PromptCase& test : cases) {
    SCOPED_TRACE(test.name);
    ScriptedHost host;
    host.promptReplies.push_back({test.replyAnswer, test.replyPath});
    std::string path = start;
    const LocationAnswer answer = test.mode == LocationMode::folder
                                      ? PromptFolder(host, path, "the reason")
                                      : PromptFile(host, path, "the reason");
    EXPECT_EQ(answer, test.expected);
    EXPECT_EQ(path, test.expectedPath);
    ASSERT_EQ(host.prompts.size(), 1u);
    EXPECT_EQ(host.prompts[0].mode, test.mode);
    EXPECT_EQ(host.prompts[0].path, start);
    EXPECT_EQ(host.prompts[0].reason, "the reason");
  }
}

TEST(DiskSpace, RelocationStartsAtTheFolderAndKeepsTheName) {
  ScriptedHost host;
  const std::string path = "old" + NativeSeparator() + "movie.avi_00003.fss";
  host.promptReplies.push_back({LocationAnswer::ok, "new"});
  std::string relocated = path;
  const CFileException error(CFileException::accessDenied, 13, path);
  EXPECT_EQ(RelocateAfterError(host, relocated, error), LocationAnswer::ok);
  EXPECT_EQ(relocated, "new" + NativeSeparator() + "movie.avi_00003.fss");
  ASSERT_EQ(host.prompts.size(), 1u);
  EXPECT_EQ(host.prompts[0].mode, LocationMode::folder);
  EXPECT_EQ(host.prompts[0].path, "old" + NativeSeparator());
  EXPECT_EQ(host.prompts[0].reason, "Access to " + path + " was denied.");

  // Cancel leaves the path alone.
  host.promptReplies.push_back({LocationAnswer::cancel, "elsewhere"});
  EXPECT_EQ(RelocateAfterError(host, relocated, error), LocationAnswer::cancel);
  EXPECT_EQ(relocated, "new" + NativeSeparator() + "movie.avi_00003.fss");
}

TEST(DiskSpace, ReasonIsCutTo519Units) {
  ScriptedHost host;
  host.promptReplies.push_back({LocationAnswer::cancel, ""});
  // "é" is one UTF-16 unit in two UTF-8 bytes, so a cut counted in bytes would be too short.
  std::string longName;
  for (int i = 0; i < 600; ++i) longName += "\xC3\xA9";
  std::string path = "folder" + NativeSeparator() + longName;
  RelocateAfterError(host, path, CFileException(CFileException::diskFull, 28, path));
  ASSERT_EQ(host.prompts.size(), 1u);
  const std::string& reason = host.prompts[0].reason;
  EXPECT_EQ(platform::Utf16Length(reason), 519u);
  EXPECT_TRUE(reason.starts_with("Disk full while accessing folder"));
}

TEST(DiskSpace, PackageFollowsItsMaster) {
  ScriptedHost host;
  const std::string s = NativeSeparator();
  std::vector<std::string> names = {"d1" + s + "a_00000.exe", "d1" + s + "a_00001.fss",
                                    "elsewhere" + s + "a_00002.fss"};
  host.promptReplies.push_back({LocationAnswer::ok, "d2"});
  EXPECT_EQ(RelocatePackage(host, names, CAppException(std::string("No room."))),
            LocationAnswer::ok);
  EXPECT_EQ(names, (std::vector<std::string>{"d2" + s + "a_00000.exe", "d2" + s + "a_00001.fss",
                                             "d2" + s + "a_00002.fss"}));
  EXPECT_EQ(host.prompts.at(0).path, "d1" + s);
  EXPECT_EQ(host.prompts.at(0).reason, "No room.");

  // Not OK: no name moves.
  const std::vector<std::string> before = names;
  host.promptReplies.push_back({LocationAnswer::ok, std::string(300, 'p')});
  EXPECT_EQ(RelocatePackage(host, names, CAppException(std::string("No room."))),
            LocationAnswer::pathTooLong);
  EXPECT_EQ(names, before);
}

TEST(DiskSpace, OverwriteIsAskedOnlyForExistingFiles) {
  ScratchFolder scratch;
  const std::string existing = scratch.Write("old.fsm", "x", 1);
  const std::string missing = (scratch.Path() / "new.fsm").string();
  ScriptedHost host;
  EXPECT_FALSE(ConfirmOverwrite(host, missing, IDS_CONFIRM_OVERWRITE_FILE));
  EXPECT_TRUE(host.questions.empty());

  host.answers.push_back(kButtonYes);
  EXPECT_TRUE(ConfirmOverwrite(host, existing, IDS_CONFIRM_OVERWRITE_FILE));
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].text,
            "The operation will overwrite " + existing + ".\n\nWould you like to continue?");
  EXPECT_EQ(host.questions[0].boxType, kBoxYesNo);

  host.answers.push_back(kButtonNo);
  EXPECT_THROW(ConfirmOverwrite(host, existing, IDS_CONFIRM_OVERWRITE_PACKAGE), CUserException);
  EXPECT_EQ(host.questions.at(1).text,
            "The operation will overwrite " + existing +
                " and its related files.\n\nWould you like to continue?");
  EXPECT_TRUE(platform::FileExists(existing));
}

}  // namespace
