#include "platform/unicode.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

TEST(Unicode, RoundTripsEveryPlane) {
  // 'A', e acute, euro sign, an emoji outside the basic plane.
  std::string text = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  std::u16string wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide, (std::u16string{u'A', 0x00E9, 0x20AC, 0xD83D, 0xDE00}));
  EXPECT_EQ(Utf16ToUtf8(wide), text);
  EXPECT_EQ(Utf16Length(text), 5u);
}

TEST(Unicode, MalformedInputBecomesReplacementCharacters) {
  const std::pair<std::string, std::u16string> cases[] = {
      {"a\x80z", u"a\uFFFDz"},                            // stray continuation byte
      {"\xC3", u"\uFFFD"},                                // cut sequence
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong slash
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
  };
  for (const auto& [bytes, wide] : cases) {
    EXPECT_EQ(Utf8ToUtf16(bytes), wide);
    EXPECT_EQ(Utf16Length(bytes), wide.size());
  }
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'x'}), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00}), "\xEF\xBF\xBD");
}

TEST(Unicode, PrefixNeverSplitsACharacter) {
  std::string text =
      "ab\xF0\x9F\x98\x80"
      "c";  // a, b, two units, c
  EXPECT_EQ(Utf16Prefix(text, 0), "");
  EXPECT_EQ(Utf16Prefix(text, 2), "ab");
  EXPECT_EQ(Utf16Prefix(text, 3), "ab");
  EXPECT_EQ(Utf16Prefix(text, 4), "ab\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16Prefix(text, 99), text);
}

TEST(Unicode, EarlyRecordTextIsWindows1252) {
  if (Utf16Length(AnsiToUtf8("\x80")) != 1) GTEST_SKIP() << "ANSI code page is not 1252";
  EXPECT_EQ(AnsiToUtf8("Caf\xE9 \x80 \x93q\x94"),
            "Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D");
  EXPECT_EQ(AnsiToUtf8("\x81\x9D"), "\xC2\x81\xC2\x9D");  // unassigned bytes keep their code
  EXPECT_EQ(AnsiToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
