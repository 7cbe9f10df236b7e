#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/text_format.h"
#include "tests/support/settings_sandbox.h"
#include "ui/split_presets.h"

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

class IniTest : public ::testing::Test {
 protected:
  IniTest() { SetProcessNumberFormat(platform::NumberFormat{}); }

  std::string Write(const std::string& bytes) {
    std::string path = (sandbox.Folder() / "Partwell.ini").string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  SettingsSandbox sandbox;
};

TEST_F(IniTest, SectionLinesAreSplitAtTheFirstEqualsSignAndTrimmed) {
  std::string path = Write(
      "[Other]\r\n1=other\r\n"
      "[splitfilesizes]\r\n"
      "  ;734003200=CD\r\n"
      "1073741824=\r\n"
      "4700000000 = DVD\r\n"
      "4.7 GB=DVD\r\n"
      "\r\n"
      "no equals sign\r\n"
      "\t 700=a=b \t\r\n"
      "[After]\r\n2=after\r\n");
  Texts names, values;
  ASSERT_TRUE(IniFile(path).ReadSection("SplitFileSizes", names, values));
  EXPECT_EQ(names, (Texts{"1073741824", "4700000000", "4.7 GB", "700"}));
  EXPECT_EQ(values, (Texts{"", "DVD", "DVD", "a=b"}));
}

TEST_F(IniTest, MissingFileSectionOrEntriesReadNothing) {
  Texts names{"stale"}, values{"stale"};
  EXPECT_FALSE(IniFile((sandbox.Folder() / "none.ini").string())
                   .ReadSection("SplitFileSizes", names, values));
  EXPECT_TRUE(names.empty());
  EXPECT_FALSE(IniFile(Write("[Other]\n1=x\n")).ReadSection("SplitFileSizes", names, values));
  EXPECT_FALSE(IniFile(Write("[SplitFileSizes]\n\n[Other]\n1=x\n"))
                   .ReadSection("SplitFileSizes", names, values));
}

TEST_F(IniTest, FilesWithAByteOrderMarkAreRead) {
  const std::string utf8 = "\xEF\xBB\xBF[SplitFileSizes]\n681984000=CD \xC3\xA9t\xC3\xA9\n";
  Texts names, values;
  ASSERT_TRUE(IniFile(Write(utf8)).ReadSection("SplitFileSizes", names, values));
  EXPECT_EQ(values, Texts{"CD \xC3\xA9t\xC3\xA9"});
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("[SplitFileSizes]\r\n4368=small\r\n")) {
    utf16 += c;
    utf16 += '\0';
  }
  ASSERT_TRUE(IniFile(Write(utf16)).ReadSection("SplitFileSizes", names, values));
  EXPECT_EQ(names, Texts{"4368"});
  EXPECT_EQ(values, Texts{"small"});
}

TEST_F(IniTest, WithoutConfigurationTheBuiltInSizesAreOffered) {
  for (const std::string& path :
       {std::string(), (sandbox.Folder() / "none.ini").string(), Write("[Other]\n1=x\n")}) {
    std::vector<SizePreset> presets = SplitSizePresets(path);
    ASSERT_EQ(presets.size(), 27u);
    EXPECT_EQ(presets.front().bytes, 524288u);
    EXPECT_EQ(presets.front().text, "524,288 (512 KB)");
    EXPECT_EQ(presets[15].text, "681,984,000 (650.39 MB)");
    EXPECT_EQ(presets[17].text, "1,073,741,824 (1 GB)");
    EXPECT_EQ(presets[20].bytes, 4700372992u);
    EXPECT_EQ(presets.back().bytes, 107374182400u);
    for (std::size_t i = 1; i < presets.size(); ++i)
      EXPECT_LT(presets[i - 1].bytes, presets[i].bytes);
  }
}

TEST_F(IniTest, ConfiguredSizesReplaceTheBuiltInOnesInFileOrder) {
  std::vector<SizePreset> presets =
      SplitSizePresets(Write("[SplitFileSizes]\n"
                             "  ;734003200=CD\n"
                             "4700000000 = DVD\n"
                             "1073741824=\n"
                             "4.7 GB=DVD\n"
                             "700MB=typed\n"
                             "4367=too small\n"
                             "4368=smallest\n"
                             "107374182400=largest\n"
                             "107374182401=too large\n"
                             "-5=negative\n"
                             "1,048,576=grouped\n"
                             "4700000000=DVD again\n"));
  std::vector<std::pair<std::uint64_t, std::string>> shown;
  for (const SizePreset& preset : presets) shown.emplace_back(preset.bytes, preset.text);
  EXPECT_EQ(shown, (std::vector<std::pair<std::uint64_t, std::string>>{
                       {4700000000, "4,700,000,000 (DVD)"},
                       {1073741824, "1,073,741,824 (1.00 GB)"},
                       {4368, "4,368 (smallest)"},
                       {107374182400, "107,374,182,400 (largest)"},
                       {1048576, "1,048,576 (grouped)"},
                       {4700000000, "4,700,000,000 (DVD again)"}}));
  EXPECT_EQ(FindSizePreset(presets, 4700000000), 5);
  EXPECT_EQ(FindSizePreset(presets, 4368), 2);
  EXPECT_EQ(FindSizePreset(presets, 4369), -1);
}

TEST_F(IniTest, RelativePathIsReadFromTheCurrentFolder) {
  Write("[SplitFileSizes]\n4368=here\n");
  const fs::path before = fs::current_path();
  fs::current_path(sandbox.Folder());
  std::vector<SizePreset> presets = SplitSizePresets("Partwell.ini");
  fs::current_path(before);
  ASSERT_EQ(presets.size(), 1u);
  EXPECT_EQ(presets[0].text, "4,368 (here)");
}

TEST_F(IniTest, SectionOfInvalidEntriesOnlyLeavesTheListEmpty) {
  EXPECT_TRUE(SplitSizePresets(Write("[SplitFileSizes]\n4.7 GB=DVD\n1=tiny\n")).empty());
}

}  // namespace
