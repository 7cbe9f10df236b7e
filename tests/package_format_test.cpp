#include "engine/package_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>

namespace {

template <std::size_t N>
void SetBytes(std::array<std::uint8_t, N>& bytes, std::size_t offset,
              std::initializer_list<std::uint8_t> values) {
  for (std::uint8_t value : values) bytes.at(offset++) = value;
}

// Text as single bytes (width 1) or as ASCII UTF-16LE units (width 2), without terminator.
template <std::size_t N>
void SetText(std::array<std::uint8_t, N>& bytes, std::size_t offset, std::string_view text,
             std::size_t width) {
  for (char c : text) bytes.at(offset) = static_cast<std::uint8_t>(c), offset += width;
}

// "café" and a surrogate pair (U+1F600) in the texts.
const MasterHeader kMaster{kMasterMagic,
                           kCurrentVersion,
                           2128,
                           0xA1B2C3D4,
                           1.5,
                           0x123456789,
                           3,
                           0x10000000001,
                           "C:\\p\\a",
                           "C:\\caf\xC3\xA9",
                           "x\xF0\x9F\x98\x80"};

MasterHeaderBytes SampleMasterBytes() {
  MasterHeaderBytes bytes{};
  SetBytes(bytes, 0, {'F', 'S', 'M', ' ', 0x00, 0x00, 0x03, 0x00, 0x50, 0x08, 0x00, 0x00});
  SetBytes(bytes, 20, {0xD4, 0xC3, 0xB2, 0xA1, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F});  // 1.5
  SetBytes(bytes, 32, {0x89, 0x67, 0x45, 0x23, 0x01, 0, 0, 0, 3, 0, 0, 0});
  SetBytes(bytes, 48, {0x01, 0, 0, 0, 0, 0x01, 0, 0});
  SetText(bytes, 60, "C:\\p\\a", 2);
  SetText(bytes, 560, "C:\\caf", 2);
  SetBytes(bytes, 572, {0xE9, 0x00});
  SetBytes(bytes, 1080, {'x', 0, 0x3D, 0xD8, 0x00, 0xDE});
  return bytes;
}

TEST(PackageRecords, MasterHeaderMatchesItsByteImage) {
  EXPECT_EQ(EncodeMasterHeader(kMaster), SampleMasterBytes());
  EXPECT_EQ(DecodeMasterHeader(SampleMasterBytes()), kMaster);
}

EarlyMasterHeader SampleEarlyMaster(std::uint32_t version, std::int32_t splitTime) {
  // 8-bit texts as stored: "naïve" and the euro sign in Windows-1252.
  return {kMasterMagic, version, 816,        0x01020304,          splitTime,
          0xFFFFFFF0,   12,      0x80000001, "D:\\out\\film.avi", "D:\\na\xEFve.avi",
          "\x80 5"};
}

TEST(PackageRecords, EarlyMasterHeaderMatchesItsByteImage) {
  EarlyMasterHeaderBytes bytes{};
  SetBytes(bytes, 0, {'F', 'S', 'M', ' ', 0x02, 0x00, 0x01, 0x00, 0x30, 0x03, 0x00, 0x00});
  SetBytes(bytes, 20, {0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF});
  SetBytes(bytes, 32, {12, 0, 0, 0, 0x01, 0x00, 0x00, 0x80});
  SetText(bytes, 44, "D:\\out\\film.avi", 1);
  SetText(bytes, 300, "D:\\na\xEFve.avi", 1);
  SetText(bytes, 560, "\x80 5", 1);
  EXPECT_EQ(EncodeEarlyMasterHeader(SampleEarlyMaster(kEarlyVersion1_2, -2)), bytes);
  EXPECT_EQ(DecodeEarlyMasterHeader(bytes), SampleEarlyMaster(kEarlyVersion1_2, -2));
}

TEST(PackageRecords, PieceHeadersMatchTheirByteImages) {
  PieceHeader current = NewPieceHeader(7, 0x200000003);
  current.pieceSum = 0x11223344;
  current.runningChecksum = 0x55667788;
  PieceHeaderBytes bytes{};
  SetBytes(bytes, 0, {'F', 'S', 'S', ' ', 0x00, 0x00, 0x03, 0x00, 56, 0, 0, 0, 0, 0, 0, 0, 7});
  SetBytes(bytes, 20, {0x44, 0x33, 0x22, 0x11, 0x88, 0x77, 0x66, 0x55});
  SetBytes(bytes, 32, {0x03, 0, 0, 0, 0x02, 0, 0, 0});
  EXPECT_EQ(EncodePieceHeader(current), bytes);
  EXPECT_EQ(DecodePieceHeader(bytes), current);

  const PieceHeader early{kPieceMagic, kEarlyVersion2, 28, 0, 0x11223344, 0x55667788, 0xFFFFFFFE};
  EarlyPieceHeaderBytes earlyBytes{};
  SetBytes(earlyBytes, 0, {'F', 'S', 'S', ' ', 0x00, 0x00, 0x02, 0x00, 28, 0, 0, 0});
  SetBytes(earlyBytes, 12, {0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0x44, 0x33, 0x22, 0x11});
  SetBytes(earlyBytes, 24, {0x88, 0x77, 0x66, 0x55});
  EXPECT_EQ(EncodeEarlyPieceHeader(early), earlyBytes);
  EXPECT_EQ(DecodeEarlyPieceHeader(earlyBytes), early);
}

TEST(PackageRecords, TrailerMatchesItsByteImage) {
  const SelfExtractTrailer trailer = NewSelfExtractTrailer(0x12345, "C:\\PartwellLite.exe");
  TrailerBytes bytes{};
  SetBytes(bytes, 0, {2, 0, 0, 0, 0x45, 0x23, 0x01, 0x00, 0x38, 0x04, 0x00, 0x00});
  SetText(bytes, 12, "C:\\PartwellLite.exe", 2);
  SetBytes(bytes, 1072, {0x7D, 0x27, 0x01, 0x00, 'F', 'S', 'M', 'E'});  // 0x12345 + 1080
  EXPECT_EQ(EncodeSelfExtractTrailer(trailer), bytes);
  EXPECT_EQ(DecodeSelfExtractTrailer(bytes), trailer);
}

TEST(PackageRecords, OverlongTextIsCutAndStillTerminated) {
  MasterHeader header = kMaster;
  header.pathPrefix = std::string(300, 'p');
  // A pair that would straddle the last unit is dropped whole, never halved.
  header.comments = std::string(522, 'c') + "\xF0\x9F\x98\x80";
  const MasterHeaderBytes bytes = EncodeMasterHeader(header);
  EXPECT_EQ(bytes[60 + 2 * 249], 0);
  EXPECT_EQ(bytes[560], 'C');  // the next field is untouched
  const MasterHeader decoded = DecodeMasterHeader(bytes);
  EXPECT_EQ(decoded.pathPrefix, std::string(249, 'p'));
  EXPECT_EQ(decoded.comments, std::string(522, 'c'));
}

TEST(PackageRecords, TextWithoutTerminatorIsReadWithinItsField) {
  MasterHeaderBytes bytes = SampleMasterBytes();
  for (std::size_t offset = 60; offset < 560; offset += 2) SetBytes(bytes, offset, {'a', 0});
  for (std::size_t offset = 1080; offset < 2128; offset += 2) SetBytes(bytes, offset, {'z', 0});
  const MasterHeader header = DecodeMasterHeader(bytes);
  EXPECT_EQ(header.pathPrefix, std::string(250, 'a'));
  EXPECT_EQ(header.sourcePath, "C:\\caf\xC3\xA9");
  EXPECT_EQ(header.comments, std::string(524, 'z'));

  EarlyMasterHeaderBytes early{};
  early.fill('e');
  EXPECT_EQ(DecodeEarlyMasterHeader(early).sourcePath, std::string(260, 'e'));
  EXPECT_EQ(DecodeEarlyMasterHeader(early).comments, std::string(256, 'e'));
  TrailerBytes trailer{};
  trailer.fill(0x41);
  EXPECT_EQ(DecodeSelfExtractTrailer(trailer).stubPath.size(), 530u * 3);  // U+4141, 3 bytes
}

TEST(PackageRecords, EarlyMasterConvertsForEveryEarlyVersion) {
  for (std::uint32_t version : {kEarlyVersion1, kEarlyVersion1_2, kEarlyVersion2}) {
    const MasterHeader header = ConvertEarlyMasterHeader(SampleEarlyMaster(version, 0));
    const MasterHeader expected{
        kMasterMagic,    version, 816,        0x01020304,          0.0,
        0xFFFFFFF0,      12,      0x80000001, "D:\\out\\film.avi", "D:\\na\xC3\xAFve.avi",
        "\xE2\x82\xAC 5"};
    EXPECT_EQ(header, expected) << version;
  }
}

// The early time is seconds since 1970 in UTC, shown in local time: the stored date differs
// from the UTC date by the local offset, a whole number of quarter hours within 14 hours.
TEST(PackageRecords, EarlySplitTimeBecomesLocalOleDate) {
  for (std::int32_t seconds : {1000000000, -1, 86400 * 365}) {
    const MasterHeader header = ConvertEarlyMasterHeader(SampleEarlyMaster(1, seconds));
    const double offsetMinutes = (header.splitTime - (25569.0 + seconds / 86400.0)) * 1440.0;
    EXPECT_LE(std::fabs(offsetMinutes), 14 * 60.0) << seconds;
    EXPECT_NEAR(offsetMinutes / 15.0, std::round(offsetMinutes / 15.0), 1e-6) << seconds;
  }
}

}  // namespace
