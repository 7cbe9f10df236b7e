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

// A POSIX file name may be any bytes: each byte outside valid UTF-8 is one lone surrogate in
// UTF-16 and the same byte again on the way back.
TEST(Unicode, BytesOutsideUtf8TravelAsLoneSurrogatesAndComeBack) {
  const std::pair<std::string, std::u16string> cases[] = {
      {"bad\xFFname", u"bad\xDCFFname"},                  // Latin-1 name
      {"a\x80z", u"a\xDC80z"},                            // stray continuation byte
      {"\xC3", u"\xDCC3"},                                // cut sequence
      {"\xC0\xAF", u"\xDCC0\xDCAF"},                      // overlong slash
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},  // above U+10FFFF
      {"\xE2\x82\xAC\xE2\x82", u"\x20AC\xDCE2\xDC82"},    // whole euro sign, then cut
  };
  for (const auto& [bytes, wide] : cases) {
    EXPECT_EQ(Utf8ToUtf16(bytes), wide);
    EXPECT_EQ(Utf16Length(bytes), wide.size());
    EXPECT_EQ(Utf16ToUtf8(wide), bytes);
  }
  // Lone surrogates that no byte stands for have no text of their own.
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'x'}), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00, 0xDD00}), "\xEF\xBF\xBD\xEF\xBF\xBD");
  // Shown, such a byte is escaped; valid text stays as it is.
  EXPECT_EQ(DisplayText("bad\xFFname \xC3\xA9\x1B"), "bad\\xFFname \xC3\xA9\x1B");
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
