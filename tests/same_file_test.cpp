// Telling two spellings of one file apart from two files, cutting an open file back, and
// recognising the running program's own file.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/file64.h"
#include "engine/merge/loaded_module.h"
#include "platform/files.h"
#include "tests/support/package_builder.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/split_package.h"

namespace {

namespace fs = std::filesystem;

TEST(SameFile, SpellingsOfOneFileAreTheSameFile) {
  ScratchFolder scratch;
  const fs::path folder = SubFolder(scratch.Path(), "folder");
  SubFolder(scratch.Path(), "folder/inner");
  const ByteString bytes = PatternBytes(10, 1);
  WriteWholeFile((folder / "a.bin").string(), bytes.data(), bytes.size());
  WriteWholeFile((folder / "b.bin").string(), bytes.data(), bytes.size());
  const std::string a = (folder / "a.bin").string();

  struct Case {
    std::string first, second;
    bool same;
  };
  const Case cases[] = {
      {a, a, true},
      {a, (folder / "inner" / ".." / "a.bin").string(), true},
      {a, (folder / "." / "a.bin").string(), true},
      {a, (folder / "b.bin").string(), false},  // equal contents are not the same file
      {a, (folder / "missing.bin").string(), false},
      // Two names that do not exist yet, which would create the same file.
      {(folder / "new.bin").string(), (folder / "inner" / ".." / "new.bin").string(), true},
      {(folder / "new.bin").string(), (folder / "other.bin").string(), false},
      {(folder / "gone" / "x").string(), (folder / "gone" / "x").string(), true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::IsSameFile(c.first, c.second), c.same) << c.first << " / " << c.second;
    EXPECT_EQ(platform::IsSameFile(c.second, c.first), c.same) << c.second << " / " << c.first;
  }

  std::error_code noLinks;
  fs::create_hard_link(folder / "a.bin", folder / "hard.bin", noLinks);
  if (!noLinks) {
    EXPECT_TRUE(platform::IsSameFile(a, (folder / "hard.bin").string()));
  }
  fs::create_symlink(folder / "a.bin", folder / "soft.bin", noLinks);
  if (!noLinks) {
    EXPECT_TRUE(platform::IsSameFile(a, (folder / "soft.bin").string()));
  }
}

TEST(SameFile, AFileHeldForWritingIsStillRecognised) {
  ScratchFolder scratch;
  const std::string path = (scratch.Path() / "held.bin").string();
  CFile64 held;
  held.Open(path, true);
  EXPECT_TRUE(platform::IsSameFile(path, (scratch.Path() / "." / "held.bin").string()));
}

TEST(SetLength, CutsAndExtendsWithoutMovingThePosition) {
  ScratchFolder scratch;
  const fs::path path = scratch.Path() / "file.bin";
  const ByteString bytes = PatternBytes(1000, 2);
  CFile64 file;
  file.Open(path.string(), true);
  file.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  file.SeekToBegin(400);
  file.SetLength(400);
  EXPECT_EQ(file.Length(), 400u);
  EXPECT_EQ(file.Position(), 400u);
  file.Write(bytes.data(), 10);
  file.SetLength(2000);
  EXPECT_EQ(file.Position(), 410u);
  file.Close();

  ByteString expected(bytes.begin(), bytes.begin() + 400);
  expected.insert(expected.end(), bytes.begin(), bytes.begin() + 10);
  expected.resize(2000, 0);
  EXPECT_EQ(FileBytes(path.string()), expected);
}

TEST(LoadedModule, OnlyTheRunningProgramsOwnFileIsLoaded) {
  const fs::path program = fs::path(PW_BIN_DIR) / ("partwell_tests" PW_EXE_SUFFIX);
  ASSERT_TRUE(fs::exists(program));
  EXPECT_TRUE(IsLoadedModule(program.string()));
  EXPECT_TRUE(IsLoadedModule((program.parent_path() / "." / program.filename()).string()));
  EXPECT_FALSE(IsLoadedModule(""));
  EXPECT_FALSE(IsLoadedModule((program.parent_path() / "no such program").string()));

  ScratchFolder scratch;
  const fs::path copy = scratch.Path() / program.filename();
  fs::copy_file(program, copy);
  EXPECT_FALSE(IsLoadedModule(copy.string()));
}

}  // namespace
