// The Windows version resource read as plain bytes, and the system a program file runs on, from
// program files made here and the programs of the build.

#include "platform/pe_version_resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/program_system.h"
#include "tests/support/pe_image.h"
#include "tests/support/program_run.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/split_package.h"

namespace {

using platform::PeVersionResult;
using platform::VersionInfo;
using Image = std::vector<unsigned char>;

// The image as the file it stands for; a read outside it fails the test.
platform::ReadAtFunction ReaderOf(const Image& image) {
  return [&image](std::uint64_t offset, std::span<unsigned char> buffer) {
    const bool inside = offset <= image.size() && buffer.size() <= image.size() - offset;
    EXPECT_TRUE(inside) << "read of " << buffer.size() << " bytes at " << offset;
    if (inside) std::memcpy(buffer.data(), image.data() + offset, buffer.size());
    return inside;
  };
}

VersionInfo SampleInfo() {
  VersionInfo info;
  info.fixed = platform::FixedVersion{0x00030001, 0x00000002, 0x00030001, 0x00000007};
  info.companyName = "Velmont Computing";
  info.productName = "PartwellLite";
  info.productVersion = "3.1.0";
  info.fileDescription = "Merges split files \xE2\x80\x94 lite";
  info.fileVersion = "3.1.0.7";
  info.legalCopyright = "(C) Velmont Computing";
  return info;
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
  const Bytes lite = FileBytes(BuiltLiteProgramPath());
  const Image program(lite.begin(), lite.end());
  VersionInfo ours;
  VersionInfo windows;
  ASSERT_EQ(platform::ReadPeVersionResource(program.size(), ReaderOf(program), ours),
            PeVersionResult::found);
  ASSERT_EQ(platform::ReadVersionInfo(BuiltLiteProgramPath(), windows), 0u);
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
  const Bytes lite = FileBytes(BuiltLiteProgramPath());
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
