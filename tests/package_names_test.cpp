#include "engine/package_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

MasterHeader Package(std::uint32_t version, std::uint32_t fileCount, std::string prefix) {
  MasterHeader header;
  header.version = version;
  header.fileCount = fileCount;
  header.pathPrefix = std::move(prefix);
  return header;
}

TEST(PackageNames, CurrentPatternSelfExtracting) {
  std::vector<std::string> names{"left over"};
  BuildPackageFileNames(Package(0x00030000, 3, "C:\\p\\a"), true, names);
  EXPECT_EQ(names, (std::vector<std::string>{"C:\\p\\a_00000.exe", "C:\\p\\a_00001.fss",
                                             "C:\\p\\a_00002.fss"}));
}

TEST(PackageNames, EarlyPatternDataOnly) {
  std::vector<std::string> names;
  BuildPackageFileNames(Package(0x00010002, 3, "D:\\out\\film.avi"), false, names);
  EXPECT_EQ(names, (std::vector<std::string>{"D:\\out\\film.avi0.fsm", "D:\\out\\film.avi1.fss",
                                             "D:\\out\\film.avi2.fss"}));
}

TEST(PackageNames, PatternFollowsTheVersion) {
  struct Case {
    std::uint32_t version;
    std::uint32_t index;
    const char* name;
  };
  const Case cases[] = {
      {0x00030000, 0, "/d/x_00000.fsm"},
      {0x00030000, 7, "/d/x_00007.fss"},
      {0x00030000, 12345, "/d/x_12345.fss"},
      {0x00030000, 32765, "/d/x_32765.fss"},
      {0x00030001, 123456, "/d/x_123456.fss"},
      {0x00020001, 7, "/d/x_00007.fss"},
      {0x00020000, 7, "/d/x7.fss"},
      {0x00020000, 12345, "/d/x12345.fss"},
      {0x00000001, 0, "/d/x0.fsm"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PackageFileName("/d/x", c.version, false, c.index), c.name);
  }
}

TEST(PackageNames, EmptyPackageGivesNoNames) {
  std::vector<std::string> names{"left over"};
  BuildPackageFileNames(Package(0x00030000, 0, "x"), false, names);
  EXPECT_TRUE(names.empty());
}

TEST(PackageNames, StoredNamesNeverLeaveTheirFolder) {
  struct Case {
    const char* stored;
    const char* name;
  };
  const Case cases[] = {
      {"C:\\src\\film.avi", "film.avi"},
      {"/home/ann/film.avi", "film.avi"},
      {"C:\\mixed/sep\\film.avi", "film.avi"},
      {"film.avi", "film.avi"},
      {"..\\..\\Windows\\system.ini", "system.ini"},
      {"../../etc/passwd", "passwd"},
      {"..", ""},
      {"C:\\x\\..", ""},
      {"/x/.", ""},
      {"...", ""},
      {".. ", ""},
      {"C:\\folder\\", ""},
      {"", ""},
      {"..hidden", "..hidden"},
  };
  for (const Case& c : cases) EXPECT_EQ(StoredFileName(c.stored), c.name) << c.stored;
}

TEST(PackageNames, PrefixIsMovedBesideTheMaster) {
  MasterHeader header = Package(0x00030000, 3, "C:\\old\\place\\film.avi");
  EXPECT_EQ(PathPrefixBesideMaster("/media/usb/copy.fsm", header), "/media/usb/film.avi");
  EXPECT_EQ(PathPrefixBesideMaster("E:\\pkg\\a_00000.exe", header), "E:\\pkg\\film.avi");
  header.pathPrefix = "..";
  EXPECT_EQ(PathPrefixBesideMaster("/media/usb/copy.fsm", header), "/media/usb/");
}

TEST(PackageNames, OriginalFileNameComesFromTheSourcePath) {
  MasterHeader header;
  header.sourcePath = "C:\\Users\\ann\\Videos\\holiday.mkv";
  EXPECT_EQ(OriginalFileName(header), "holiday.mkv");
  header.sourcePath = "C:\\Users\\..";
  EXPECT_EQ(OriginalFileName(header), "");
}

}  // namespace
