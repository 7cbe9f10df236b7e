#include "ui/about_text.h"

#include <gtest/gtest.h>

namespace {

platform::VersionInfo Info(std::string product, std::uint32_t fileVersionLs) {
  platform::VersionInfo info;
  info.companyName = "Velmont Computing";
  info.productName = std::move(product);
  info.productVersion = "3.1.0";
  info.fileDescription = "Partwell - Splits large files and merges them again";
  info.fixed = platform::FixedVersion{0x00030001, 0, 0x00030001, fileVersionLs};
  return info;
}

TEST(AboutText, ProductNameLosesALeadingCompanyName) {
  EXPECT_EQ(MakeAboutText(Info("Velmont Computing Partwell", 0), 64).productName, "Partwell");
  EXPECT_EQ(MakeAboutText(Info("Partwell", 0), 64).productName, "Partwell");
  platform::VersionInfo noCompany = Info("Partwell", 0);
  noCompany.companyName.clear();
  EXPECT_EQ(MakeAboutText(noCompany, 64).productName, "Partwell");
}

TEST(AboutText, VersionLineNamesTheBuildOnlyWhenItHasANumber) {
  EXPECT_EQ(MakeAboutText(Info("Partwell", 7u << 16), 64).versionLine,
            "Version 3.1.0 (64-bit - Build 7)");
  EXPECT_EQ(MakeAboutText(Info("Partwell", 0x0000FFFF), 32).versionLine, "Version 3.1.0 (32-bit)");
  platform::VersionInfo noFixedPart = Info("Partwell", 7u << 16);
  noFixedPart.fixed.reset();
  EXPECT_EQ(MakeAboutText(noFixedPart, 64).versionLine, "Version 3.1.0 (64-bit)");
}

TEST(AboutText, DescriptionIsWhatFollowsTheDash) {
  EXPECT_EQ(MakeAboutText(Info("Partwell", 0), 64).description,
            "Splits large files and merges them again");
  platform::VersionInfo plain = Info("Partwell", 0);
  plain.fileDescription = "Splits files";
  EXPECT_EQ(MakeAboutText(plain, 64).description, "Splits files");
}

}  // namespace
