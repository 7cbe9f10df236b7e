#include "platform/version_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/elf_version_block.h"
#include "platform/pe_version_resource.h"
#include "platform/program_system.h"
#include "tests/support/pe_image.h"
#include "tests/support/program_run.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using platform::ElfVersionResult;
using platform::PeVersionResult;
using platform::VersionInfo;

std::string ProgramPath(const std::string& name) {
  return std::string(PW_BIN_DIR) + "/" + name + PW_EXE_SUFFIX;
}

// The full program's console build is named partwell-cli on Windows.
std::string FullProgramPath() {
  std::string cli = ProgramPath("partwell-cli");
  return fs::exists(cli) ? cli : ProgramPath("partwell");
}

std::vector<char> FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(VersionInfo, BuiltProgramsCarryVersion31OfTheCompany) {
  struct Program {
    std::string path;
    const char* productName;
    const char* description;
  };
  const Program programs[] = {
      {ProgramPath("PartwellLite"), "PartwellLite",
       "PartwellLite - Merges and verifies split files"},
      {FullProgramPath(), "Partwell", "Partwell - Splits large files and merges them again"},
  };
  for (const Program& program : programs) {
    SCOPED_TRACE(program.path);
    VersionInfo info;
    ASSERT_EQ(platform::ReadVersionInfo(program.path, info), 0u);
    ASSERT_TRUE(info.fixed.has_value());
    EXPECT_EQ(info.fixed->productVersionMs, 0x00030001u);
    EXPECT_EQ(info.fixed->productVersionLs, 0u);
    EXPECT_EQ(info.fixed->fileVersionMs, 0x00030001u);
    EXPECT_EQ(info.fixed->fileVersionLs, 0u);
    EXPECT_EQ(info.companyName, "Velmont Computing");
    EXPECT_EQ(info.productName, program.productName);
    EXPECT_EQ(info.productVersion, "3.1.0");
    EXPECT_EQ(info.fileVersion, "3.1.0.0");
    EXPECT_EQ(info.fileDescription, program.description);
    EXPECT_NE(info.legalCopyright.find("Velmont Computing"), std::string::npos);
    EXPECT_EQ(info.specialBuild, "");
  }
}

TEST(VersionInfo, FilesWithoutVersionDataAreRefusedWithACode) {
  ScratchFolder folder;
  const std::string text = "not a program\n";
  std::vector<char> lite = FileBytes(ProgramPath("PartwellLite"));
  ASSERT_GT(lite.size(), 4096u);
  struct Case {
    const char* what;
    std::string path;
  };
  const Case cases[] = {
      {"missing file", folder.Write("x", "", 0) + ".missing"},
      {"empty file", folder.Write("empty.exe", "", 0)},
      {"text file", folder.Write("text.exe", text.data(), text.size())},
      {"program cut after 64 bytes", folder.Write("cut64.exe", lite.data(), 64)},
      {"program cut after 4 KiB", folder.Write("cut4k.exe", lite.data(), 4096)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    VersionInfo info;
    info.companyName = "kept";
    EXPECT_NE(platform::ReadVersionInfo(c.path, info), 0u);
    EXPECT_EQ(info.companyName, "kept");
  }
  VersionInfo info;
  EXPECT_EQ(platform::ReadVersionInfo(cases[0].path, info), platform::kErrorFileNotFound);
}

TEST(VersionInfo, OwnVersionDataIsReadFromTheRunningProgramsFile) {
  // The test program itself carries no version data.
  std::string path;
  VersionInfo info;
  EXPECT_NE(platform::ReadOwnVersionInfo(path, info), 0u);
  EXPECT_NE(path.find("partwell_tests"), std::string::npos);
  EXPECT_TRUE(fs::is_regular_file(path));
}

TEST(VersionInfo, TooLongTextsDoNotFitABlock) {
  VersionInfo info;
  info.companyName = std::string(63, 'c');
  EXPECT_EQ(std::string(platform::MakeVersionBlock(info).companyName), info.companyName);
  info.companyName += 'c';
  EXPECT_THROW(platform::MakeVersionBlock(info), std::length_error);
}

// A small ELF file: header, section names, the version block, then three section headers
// (the null section, the name table and the version section).
constexpr std::size_t kNamesOffset = 64;
constexpr char kNames[] = "\0.shstrtab\0.partwell_version";  // offsets 1 and 11
constexpr std::size_t kBlockOffset = 96;
constexpr std::size_t kTableOffset = kBlockOffset + sizeof(platform::VersionBlock);
constexpr std::size_t kImageSize = kTableOffset + 3 * 64;

void Store(std::vector<unsigned char>& image, std::size_t offset, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) image[offset + i] = static_cast<unsigned char>(value >> 8 * i);
}

std::size_t SectionField(int section, std::size_t field) {
  return kTableOffset + 64 * section + field;
}

VersionInfo SampleInfo() {
  VersionInfo info;
  info.fixed = platform::FixedVersion{0x00020005, 0x00070001, 0x00020006, 0x00000009};
  info.companyName = "Velmont Computing";
  info.productName = "PartwellLite";
  info.productVersion = "2.5";
  info.fileDescription = "Merges";
  info.fileVersion = "2.6.0.9";
  info.legalCopyright = "(C)";
  info.specialBuild = "private";
  return info;
}

std::vector<unsigned char> SampleImage(const VersionInfo& info = SampleInfo()) {
  std::vector<unsigned char> image(kImageSize, 0);
  const unsigned char ident[] = {0x7F, 'E', 'L', 'F', 2, 1, 1};
  std::memcpy(image.data(), ident, sizeof ident);
  Store(image, 0x10, 2, 2);   // executable
  Store(image, 0x12, 62, 2);  // x86-64
  Store(image, 0x28, kTableOffset, 8);
  Store(image, 0x3A, 64, 2);
  Store(image, 0x3C, 3, 2);
  Store(image, 0x3E, 1, 2);
  std::memcpy(&image[kNamesOffset], kNames, sizeof kNames);
  platform::VersionBlock block = platform::MakeVersionBlock(info);
  std::memcpy(&image[kBlockOffset], &block, sizeof block);
  const std::uint64_t sections[3][4] = {// name, type, offset, size
                                        {0, 0, 0, 0},
                                        {1, 3, kNamesOffset, sizeof kNames},
                                        {11, 1, kBlockOffset, sizeof block}};
  for (int i = 0; i < 3; ++i) {
    Store(image, SectionField(i, 0), sections[i][0], 4);
    Store(image, SectionField(i, 4), sections[i][1], 4);
    Store(image, SectionField(i, 24), sections[i][2], 8);
    Store(image, SectionField(i, 32), sections[i][3], 8);
  }
  return image;
}

// The image as the file it stands for; a read outside it fails the test.
platform::ReadAtFunction ReaderOf(const std::vector<unsigned char>& image) {
  return [&image](std::uint64_t offset, std::span<unsigned char> buffer) {
    const bool inside = offset <= image.size() && buffer.size() <= image.size() - offset;
    EXPECT_TRUE(inside) << "read of " << buffer.size() << " bytes at " << offset;
    if (inside) std::memcpy(buffer.data(), image.data() + offset, buffer.size());
    return inside;
  };
}

ElfVersionResult ReadImage(const std::vector<unsigned char>& image, VersionInfo& info) {
  return platform::ReadElfVersionBlock(image.size(), ReaderOf(image), info);
}

void ExpectSameInfo(const VersionInfo& read, const VersionInfo& expected) {
  ASSERT_EQ(read.fixed.has_value(), expected.fixed.has_value());
  if (expected.fixed) {
    EXPECT_EQ(read.fixed->productVersionMs, expected.fixed->productVersionMs);
    EXPECT_EQ(read.fixed->productVersionLs, expected.fixed->productVersionLs);
    EXPECT_EQ(read.fixed->fileVersionMs, expected.fixed->fileVersionMs);
    EXPECT_EQ(read.fixed->fileVersionLs, expected.fixed->fileVersionLs);
  }
  for (auto field :
       {&VersionInfo::companyName, &VersionInfo::productName, &VersionInfo::productVersion,
        &VersionInfo::fileDescription, &VersionInfo::fileVersion, &VersionInfo::legalCopyright,
        &VersionInfo::specialBuild}) {
    EXPECT_EQ(read.*field, expected.*field);
  }
}

TEST(ElfVersionBlock, ReadsBackEveryFieldOfTheBlock) {
  VersionInfo read;
  ASSERT_EQ(ReadImage(SampleImage(), read), ElfVersionResult::found);
  ExpectSameInfo(read, SampleInfo());
}

TEST(ElfVersionBlock, ABlockWithoutFixedPartIsFoundWithoutIt) {
  VersionInfo info = SampleInfo();
  info.fixed.reset();
  VersionInfo read;
  ASSERT_EQ(ReadImage(SampleImage(info), read), ElfVersionResult::found);
  EXPECT_FALSE(read.fixed.has_value());
  EXPECT_EQ(read.productName, "PartwellLite");
}

TEST(ElfVersionBlock, DamagedOrForeignFilesAreRefusedWithoutReadingOutside) {
  using Image = std::vector<unsigned char>;
  const std::size_t block = kBlockOffset;
  struct Case {
    const char* what;
    std::function<void(Image&)> damage;
    ElfVersionResult expected;
  };
  const Case cases[] = {
      {"extended section count",
       [](Image& i) {
         Store(i, 0x3C, 0, 2);
         Store(i, SectionField(0, 32), 3, 8);
       },
       ElfVersionResult::found},
      {"extended name-table index",
       [](Image& i) {
         Store(i, 0x3E, 0xFFFF, 2);
         Store(i, SectionField(0, 40), 1, 4);
       },
       ElfVersionResult::found},
      {"shorter than a header", [](Image& i) { i.resize(63); }, ElfVersionResult::notElf},
      {"wrong magic", [](Image& i) { i[1] = 'X'; }, ElfVersionResult::notElf},
      {"32-bit class", [](Image& i) { i[4] = 1; }, ElfVersionResult::notElf},
      {"big-endian data", [](Image& i) { i[5] = 2; }, ElfVersionResult::notElf},
      {"no section table", [](Image& i) { Store(i, 0x28, 0, 8); }, ElfVersionResult::noBlock},
      {"no name table", [](Image& i) { Store(i, 0x3E, 0, 2); }, ElfVersionResult::noBlock},
      {"section renamed", [](Image& i) { i[kNamesOffset + 12] = 'q'; }, ElfVersionResult::noBlock},
      {"name outside the name table", [](Image& i) { Store(i, SectionField(2, 0), 999, 4); },
       ElfVersionResult::noBlock},
      {"cut before the section table", [](Image& i) { i.resize(kTableOffset + 100); },
       ElfVersionResult::damaged},
      {"section table past the end", [](Image& i) { Store(i, 0x28, ~0ull - 10, 8); },
       ElfVersionResult::damaged},
      {"section headers too small", [](Image& i) { Store(i, 0x3A, 40, 2); },
       ElfVersionResult::damaged},
      {"huge extended count",
       [](Image& i) {
         Store(i, 0x3C, 0, 2);
         Store(i, SectionField(0, 32), ~0ull / 32, 8);
       },
       ElfVersionResult::damaged},
      {"name-table index out of range", [](Image& i) { Store(i, 0x3E, 7, 2); },
       ElfVersionResult::damaged},
      {"name table past the end", [](Image& i) { Store(i, SectionField(1, 24), 5000, 8); },
       ElfVersionResult::damaged},
      {"name table size wraps", [](Image& i) { Store(i, SectionField(1, 32), ~0ull, 8); },
       ElfVersionResult::damaged},
      {"version section past the end",
       [](Image& i) { Store(i, SectionField(2, 32), kImageSize, 8); }, ElfVersionResult::damaged},
      {"version section offset wraps", [](Image& i) { Store(i, SectionField(2, 24), ~0ull, 8); },
       ElfVersionResult::damaged},
      {"version section too small", [](Image& i) { Store(i, SectionField(2, 32), 100, 8); },
       ElfVersionResult::damaged},
      {"version section without file data", [](Image& i) { Store(i, SectionField(2, 4), 8, 4); },
       ElfVersionResult::damaged},
      {"block magic", [=](Image& i) { i[block] = 'X'; }, ElfVersionResult::damaged},
      {"block larger than its section", [=](Image& i) { Store(i, block + 8, 545, 4); },
       ElfVersionResult::damaged},
      {"block smaller than its layout", [=](Image& i) { Store(i, block + 8, 100, 4); },
       ElfVersionResult::damaged},
      {"unterminated text",
       [=](Image& i) {
         std::memset(&i[block + offsetof(platform::VersionBlock, specialBuild)], 'x', 64);
       },
       ElfVersionResult::damaged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Image image = SampleImage();
    c.damage(image);
    VersionInfo info;
    info.companyName = "kept";
    ElfVersionResult result = ReadImage(image, info);
    EXPECT_EQ(result, c.expected);
    if (result != ElfVersionResult::found) {
      EXPECT_EQ(info.companyName, "kept");
    }
  }
}

using Image = std::vector<unsigned char>;

// Windows reads the image made here as we do: on Windows through the system's own reader.
TEST(PeVersionResource, AWindowsProgramsVersionDataIsReadOnEverySystem) {
  const Image image = MakePeImage(SampleInfo());
  VersionInfo read;
  ASSERT_EQ(platform::ReadPeVersionResource(image.size(), ReaderOf(image), read),
            PeVersionResult::found);
  ExpectSameInfo(read, SampleInfo());

  ScratchFolder folder;
  const std::string path = folder.Write("lite.exe", image.data(), image.size());
  VersionInfo fromFile;
  ASSERT_EQ(platform::ReadVersionInfo(path, fromFile), 0u);
  ExpectSameInfo(fromFile, SampleInfo());

  // The lite program of a Windows build, read both ways.
  if (!ProgramsAreWindowsPrograms()) return;
  const std::vector<char> lite = FileBytes(ProgramPath("PartwellLite"));
  const Image program(lite.begin(), lite.end());
  VersionInfo ours;
  VersionInfo windows;
  ASSERT_EQ(platform::ReadPeVersionResource(program.size(), ReaderOf(program), ours),
            PeVersionResult::found);
  ASSERT_EQ(platform::ReadVersionInfo(ProgramPath("PartwellLite"), windows), 0u);
  ExpectSameInfo(ours, windows);
}

TEST(PeVersionResource, CutOrDamagedImagesAreRefusedWithoutReadingOutside) {
  const Image whole = MakePeImage(SampleInfo());
  // Up to the last byte of the version data; the section's padding follows.
  std::size_t end = whole.size();
  while (end > 0 && whole[end - 1] == 0) --end;
  for (std::size_t size = 0; size < end; size += 7) {
    SCOPED_TRACE(size);
    const Image cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    VersionInfo info;
    info.productName = "kept";
    const PeVersionResult result = platform::ReadPeVersionResource(cut.size(), ReaderOf(cut), info);
    EXPECT_NE(result, PeVersionResult::found);
    EXPECT_EQ(info.productName, "kept");
  }
  Image noResource = whole;
  std::memset(&noResource[0x58 + 112 + 16], 0, 8);
  Image longNode = whole;
  longNode[kPeVersionDataOffset + 1] = 0x7F;  // the root claims more than the data holds
  Image text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'r', 'o', 'g', 'r', 'a', 'm'};
  const struct {
    const char* what;
    const Image& image;
    PeVersionResult expected;
  } cases[] = {{"no resource directory", noResource, PeVersionResult::noResource},
               {"node longer than its data", longNode, PeVersionResult::damaged},
               {"text", text, PeVersionResult::notPe}};
  for (const auto& c : cases) {
    VersionInfo info;
    EXPECT_EQ(platform::ReadPeVersionResource(c.image.size(), ReaderOf(c.image), info), c.expected)
        << c.what;
  }
}

TEST(ProgramSystem, IsNamedFromTheProgramHeader) {
  const std::vector<char> lite = FileBytes(ProgramPath("PartwellLite"));
  const Image built(lite.begin(), lite.end());
  EXPECT_EQ(platform::ProgramSystemName(built.size(), ReaderOf(built)),
            ProgramsAreWindowsPrograms() ? "Windows x86-64" : "Linux x86-64");
  const Image x64 = MakePeImage(SampleInfo());
  EXPECT_EQ(platform::ProgramSystemName(x64.size(), ReaderOf(x64)), "Windows x86-64");
  const Image arm = MakePeImage(SampleInfo(), kPeMachineArm64);
  EXPECT_EQ(platform::ProgramSystemName(arm.size(), ReaderOf(arm)), "Windows ARM64");
  // A master without a stub, and a DOS header whose PE header lies past the end.
  const Image master = {'F', 'S', 'M', ' ', 0, 0, 3, 0};
  EXPECT_EQ(platform::ProgramSystemName(master.size(), ReaderOf(master)), std::nullopt);
  Image dosOnly(x64.begin(), x64.begin() + 64);
  EXPECT_EQ(platform::ProgramSystemName(dosOnly.size(), ReaderOf(dosOnly)), std::nullopt);
}

}  // namespace
