#include <gtest/gtest.h>

#include "base/exceptions.h"
#include "res/resource.h"
#include "tests/win32/window_test_support.h"
#include "ui/win32/about_dialog.h"
#include "ui/win32/html_help.h"

namespace {

const AboutText kText{"Partwell", "Version 3.1.0 (64-bit - Build 7)",
                      "Splits large files and merges them again", ""};

TEST(AboutBox, ShowsTheProgramOnceAndASecondRequestFindsTheOpenBox) {
  AboutDialog about(kText);
  const INT_PTR result = test::WhileModal(
      [&] { return about.Run(nullptr); },
      [] {
        HWND box = AboutDialog::OpenWindow();
        ASSERT_NE(box, nullptr);
        // "About" and the running program's title (the test program carries the lite one's).
        EXPECT_EQ(test::WindowText(box).rfind("About Partwell", 0), 0u);
        EXPECT_EQ(test::ItemText(box, IDC_ABOUT_PRODUCT), "Partwell");
        EXPECT_EQ(test::ItemText(box, IDC_ABOUT_VERSION), "Version 3.1.0 (64-bit - Build 7)");
        EXPECT_EQ(test::ItemText(box, IDC_ABOUT_DESCRIPTION),
                  "Splits large files and merges them again");
        EXPECT_EQ(
            test::ItemText(box, IDC_ABOUT_LEGAL).rfind("Copyright (C) 2026 Velmont Computing", 0),
            0u);
        EXPECT_EQ(test::ItemText(box, IDC_ABOUT_WEB).rfind("https://", 0), 0u);
        AboutDialog second(kText);
        EXPECT_EQ(second.Run(nullptr), IDABORT);
        EXPECT_EQ(AboutDialog::OpenWindow(), box);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(AboutDialog::OpenWindow(), nullptr);
}

TEST(HtmlHelp, OpensTheHelpFileOnceAndFailsWithoutIt) {
  const std::string helpFile = std::string(PW_BIN_DIR) + "/Partwell.chm";
  HWND first = ShowHtmlHelp(nullptr, helpFile);
  ASSERT_NE(first, nullptr);
  test::FlushMessages();
  EXPECT_TRUE(IsWindowVisible(first));
  EXPECT_EQ(ShowHtmlHelp(nullptr, helpFile), first);
  CloseHtmlHelp();
  test::FlushMessages();
  EXPECT_FALSE(IsWindow(first));
  EXPECT_THROW(ShowHtmlHelp(nullptr, std::string(PW_BIN_DIR) + "/Missing.chm"), CException);
}

}  // namespace
