#include "app/path_text.h"

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
