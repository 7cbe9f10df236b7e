#include "base/path_text.h"

#include <gtest/gtest.h>

TEST(PathText, SplitsPathsOfEitherPlatform) {
  struct Case {
    std::string_view path, folder, name, extension;
  } cases[] = {
      {"C:\\data\\movie.avi", "C:\\data\\", "movie.avi", "avi"},
      {"/home/u/movie.avi", "/home/u/", "movie.avi", "avi"},
      {"C:\\mixed/dir\\pkg_00000.fsm", "C:\\mixed/dir\\", "pkg_00000.fsm", "fsm"},
      {"\\\\server\\share\\a.tar.gz", "\\\\server\\share\\", "a.tar.gz", "gz"},
      {"plain", "", "plain", ""},
      {"", "", "", ""},
      {"C:\\folder\\", "C:\\folder\\", "", ""},
      {"C:\\a.fsm\\file", "C:\\a.fsm\\", "file", ""},  // a dot in a folder is no extension
      {"/tmp/name.", "/tmp/", "name.", ""},
      {"/tmp/.fsm", "/tmp/", ".fsm", "fsm"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
    EXPECT_EQ(FileNamePart(c.path), c.name) << c.path;
    EXPECT_EQ(ExtensionPart(c.path), c.extension) << c.path;
  }
}

TEST(PathText, FileNamesTheSystemWouldTakeForSomethingElseAreInvalid) {
  using platform::PathStyle;
  struct Case {
    std::string_view name;
    bool windows, posix;
  } cases[] = {
      {"movie.avi", true, true},     {"", false, false},
      {".", false, false},           {"..", false, false},
      {"NUL", false, true},          {"nul.txt", false, true},
      {"Con", false, true},          {"aux .tar.gz", false, true},
      {"PRN.", false, true},         {"COM1", false, true},
      {"lpt9.log", false, true},     {"COM\xC2\xB9", false, true},
      {"CONOUT$", false, true},      {"COM10", true, true},
      {"COM", true, true},           {"nullify", true, true},
      {"CON_00000.fsm", true, true}, {"a:stream", false, true},
      {"name.", false, true},        {"name ", false, true},
      {"what?", false, true},        {"tab\there", false, true},
      {"a/b", false, false},         {"a\\b", false, true},
      {"bad\xFFname", true, true},   {std::string_view("a\0b", 3), false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidFileName(c.name, PathStyle::windows), c.windows) << c.name;
    EXPECT_EQ(IsValidFileName(c.name, PathStyle::posix), c.posix) << c.name;
  }
}
