#include "engine/package_names.h"

#include <gtest/gtest.h>

namespace {

TEST(PackageNames, PatternAndExtensionFollowVersionAndIndex) {
  struct Case {
    std::uint32_t version;
    bool selfExtracting;
    std::uint32_t index;
    const char* name;
  };
  const Case cases[] = {
      {0x00030000, true, 0, "/d/x_00000.exe"},
      {0x00030000, false, 0, "/d/x_00000.fsm"},
      {0x00030000, true, 7, "/d/x_00007.fss"},
      {0x00030000, false, 12345, "/d/x_12345.fss"},
      {0x00030001, false, 123456, "/d/x_123456.fss"},
      {0x00020001, false, 7, "/d/x_00007.fss"},
      {0x00020000, false, 7, "/d/x7.fss"},
      {0x00010002, false, 12345, "/d/x12345.fss"},
      {0x00000001, false, 0, "/d/x0.fsm"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PackageFileName("/d/x", c.version, c.selfExtracting, c.index), c.name);
  }
}

TEST(PackageNames, ListHoldsEveryFileMasterFirst) {
  MasterHeader header;
  header.version = 0x00030000;
  header.fileCount = 3;
  header.pathPrefix = "C:\\p\\a";
  std::vector<std::string> names{"left over"};
  BuildPackageFileNames(header, true, names);
  EXPECT_EQ(names, (std::vector<std::string>{"C:\\p\\a_00000.exe", "C:\\p\\a_00001.fss",
                                             "C:\\p\\a_00002.fss"}));
  header.version = 0x00010002;
  header.pathPrefix = "D:\\out\\film.avi";
  BuildPackageFileNames(header, false, names);
  EXPECT_EQ(names[1], "D:\\out\\film.avi1.fss");
}

TEST(PackageNames, StoredNamesNeverLeaveTheirFolder) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\src\\film.avi", "film.avi"},
      {"/home/ann/film.avi", "film.avi"},
      {"film.avi", "film.avi"},
      {"..\\..\\Windows\\system.ini", "system.ini"},
      {"../../etc/passwd", "passwd"},
      {"..", ""},
      {"C:\\x\\..", ""},
      {"/x/.", ""},
      {".. ", ""},
      {"C:\\folder\\", ""},
      {"..hidden", "..hidden"},
  };
  for (const auto& [stored, name] : cases) EXPECT_EQ(StoredFileName(stored), name) << stored;

  MasterHeader header;
  header.pathPrefix = "C:\\old\\place\\film.avi";
  header.sourcePath = "C:\\Users\\..";
  EXPECT_EQ(PathPrefixBesideMaster("/media/usb/copy.fsm", header), "/media/usb/film.avi");
  EXPECT_EQ(PathPrefixBesideMaster("E:\\pkg\\a_00000.exe", header), "E:\\pkg\\film.avi");
  EXPECT_EQ(OriginalFileName(header), "");
}

}  // namespace
