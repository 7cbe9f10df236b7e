#include "engine/package_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "engine/ole_date.h"

namespace {

template <std::size_t N>
void SetBytes(std::array<std::uint8_t, N>& bytes, std::size_t offset,
              std::initializer_list<std::uint8_t> values) {
  for (std::uint8_t value : values) bytes.at(offset++) = value;
}

// ASCII text as UTF-16LE units, without terminator (the array is zero already).
template <std::size_t N>
void SetAscii16(std::array<std::uint8_t, N>& bytes, std::size_t offset, std::string_view text) {
  for (char c : text) SetBytes(bytes, (offset += 2) - 2, {static_cast<std::uint8_t>(c), 0});
}

template <std::size_t N>
void SetAscii8(std::array<std::uint8_t, N>& bytes, std::size_t offset, std::string_view text) {
  for (char c : text) bytes.at(offset++) = static_cast<std::uint8_t>(c);
}

MasterHeader SampleMaster() {
  MasterHeader header;
  header.magic = kMasterMagic;
  header.version = kCurrentVersion;
  header.headerSize = 2128;
  header.checksum = 0xA1B2C3D4;
  header.splitTime = 1.5;
  header.maxPieceDataSize = 0x0000000123456789;
  header.fileCount = 3;
  header.originalSize = 0x0000010000000001;
  header.pathPrefix = "C:\\p\\a";
  header.sourcePath = "C:\\src\\caf\xC3\xA9.bin";  // "café.bin"
  header.comments = "x\xF0\x9F\x98\x80";           // "x" and U+1F600, a surrogate pair
  return header;
}

MasterHeaderBytes SampleMasterBytes() {
  MasterHeaderBytes bytes{};
  SetBytes(bytes, 0, {'F', 'S', 'M', ' '});
  SetBytes(bytes, 4, {0x00, 0x00, 0x03, 0x00});
  SetBytes(bytes, 8, {0x50, 0x08, 0x00, 0x00});
  SetBytes(bytes, 20, {0xD4, 0xC3, 0xB2, 0xA1});
  SetBytes(bytes, 24, {0, 0, 0, 0, 0, 0, 0xF8, 0x3F});  // 1.5 as an IEEE-754 double
  SetBytes(bytes, 32, {0x89, 0x67, 0x45, 0x23, 0x01, 0, 0, 0});
  SetBytes(bytes, 40, {3, 0, 0, 0});
  SetBytes(bytes, 48, {0x01, 0, 0, 0, 0, 0x01, 0, 0});
  SetAscii16(bytes, 60, "C:\\p\\a");
  SetAscii16(bytes, 560, "C:\\src\\caf");
  SetBytes(bytes, 580, {0xE9, 0x00});
  SetAscii16(bytes, 582, ".bin");
  SetBytes(bytes, 1080, {'x', 0, 0x3D, 0xD8, 0x00, 0xDE});
  return bytes;
}

TEST(PackageRecords, MasterHeaderMatchesItsByteImage) {
  EXPECT_EQ(EncodeMasterHeader(SampleMaster()), SampleMasterBytes());
  EXPECT_EQ(DecodeMasterHeader(SampleMasterBytes()), SampleMaster());
}

TEST(PackageRecords, EarlyMasterHeaderMatchesItsByteImage) {
  EarlyMasterHeader header;
  header.magic = kMasterMagic;
  header.version = kEarlyVersion1_2;
  header.headerSize = 816;
  header.checksum = 0x01020304;
  header.splitTime = -2;
  header.maxPieceDataSize = 0xFFFFFFF0;
  header.fileCount = 12;
  header.originalSize = 0x80000001;
  header.pathPrefix = "D:\\out\\film.avi";
  header.sourcePath = "D:\\film.avi";
  header.comments = "caf\xE9";  // 8-bit, as stored
  EarlyMasterHeaderBytes bytes{};
  SetBytes(bytes, 0, {'F', 'S', 'M', ' '});
  SetBytes(bytes, 4, {0x02, 0x00, 0x01, 0x00});
  SetBytes(bytes, 8, {0x30, 0x03, 0x00, 0x00});
  SetBytes(bytes, 20, {0x04, 0x03, 0x02, 0x01});
  SetBytes(bytes, 24, {0xFE, 0xFF, 0xFF, 0xFF});
  SetBytes(bytes, 28, {0xF0, 0xFF, 0xFF, 0xFF});
  SetBytes(bytes, 32, {12, 0, 0, 0});
  SetBytes(bytes, 36, {0x01, 0x00, 0x00, 0x80});
  SetAscii8(bytes, 44, "D:\\out\\film.avi");
  SetAscii8(bytes, 300, "D:\\film.avi");
  SetBytes(bytes, 560, {'c', 'a', 'f', 0xE9});
  EXPECT_EQ(EncodeEarlyMasterHeader(header), bytes);

  EXPECT_EQ(DecodeEarlyMasterHeader(bytes), header);
}

TEST(PackageRecords, PieceHeadersMatchTheirByteImages) {
  PieceHeader header = NewPieceHeader(7, 0x0000000200000003);
  header.pieceSum = 0x11223344;
  header.runningChecksum = 0x55667788;
  PieceHeaderBytes bytes{};
  SetBytes(bytes, 0, {'F', 'S', 'S', ' '});
  SetBytes(bytes, 4, {0x00, 0x00, 0x03, 0x00});
  SetBytes(bytes, 8, {56, 0, 0, 0});
  SetBytes(bytes, 16, {7, 0, 0, 0});
  SetBytes(bytes, 20, {0x44, 0x33, 0x22, 0x11});
  SetBytes(bytes, 24, {0x88, 0x77, 0x66, 0x55});
  SetBytes(bytes, 32, {0x03, 0, 0, 0, 0x02, 0, 0, 0});
  EXPECT_EQ(EncodePieceHeader(header), bytes);
  EXPECT_EQ(DecodePieceHeader(bytes), header);

  PieceHeader early;
  early.magic = kPieceMagic;
  early.version = kEarlyVersion2;
  early.headerSize = 28;
  early.dataSize = 0xFFFFFFFE;
  early.pieceSum = 0x11223344;
  early.runningChecksum = 0x55667788;
  EarlyPieceHeaderBytes earlyBytes{};
  SetBytes(earlyBytes, 0, {'F', 'S', 'S', ' '});
  SetBytes(earlyBytes, 4, {0x00, 0x00, 0x02, 0x00});
  SetBytes(earlyBytes, 8, {28, 0, 0, 0});
  SetBytes(earlyBytes, 12, {0xFE, 0xFF, 0xFF, 0xFF});
  SetBytes(earlyBytes, 20, {0x44, 0x33, 0x22, 0x11});
  SetBytes(earlyBytes, 24, {0x88, 0x77, 0x66, 0x55});
  EXPECT_EQ(EncodeEarlyPieceHeader(early), earlyBytes);
  EXPECT_EQ(DecodeEarlyPieceHeader(earlyBytes), early);
}

TEST(PackageRecords, TrailerMatchesItsByteImage) {
  const SelfExtractTrailer trailer = NewSelfExtractTrailer(0x00012345, "C:\\bin\\PartwellLite.exe");
  TrailerBytes bytes{};
  SetBytes(bytes, 0, {2, 0, 0, 0});
  SetBytes(bytes, 4, {0x45, 0x23, 0x01, 0x00});
  SetBytes(bytes, 8, {0x38, 0x04, 0x00, 0x00});
  SetAscii16(bytes, 12, "C:\\bin\\PartwellLite.exe");
  SetBytes(bytes, 1072, {0x7D, 0x27, 0x01, 0x00});  // 0x12345 + 1080
  SetBytes(bytes, 1076, {'F', 'S', 'M', 'E'});
  EXPECT_EQ(EncodeSelfExtractTrailer(trailer), bytes);
  EXPECT_EQ(DecodeSelfExtractTrailer(bytes), trailer);
}

TEST(PackageRecords, NewMasterHeaderIsCurrentAndStampedNow) {
  const MasterHeader header = NewMasterHeader();
  EXPECT_EQ(header.magic, kMasterMagic);
  EXPECT_EQ(header.version, kCurrentVersion);
  EXPECT_EQ(header.headerSize, 2128u);
  EXPECT_EQ(header.checksum, 0u);
  EXPECT_GT(header.splitTime, 45000.0);  // after 2023
}

TEST(PackageRecords, OverlongTextIsCutAndStillTerminated) {
  MasterHeader header = SampleMaster();
  header.pathPrefix = std::string(300, 'p');
  // A pair that would straddle the last unit is dropped whole, never halved.
  header.comments = std::string(522, 'c') + "\xF0\x9F\x98\x80";
  const MasterHeaderBytes bytes = EncodeMasterHeader(header);
  EXPECT_EQ(bytes[60 + 2 * 248], 'p');
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
  EXPECT_EQ(header.sourcePath, "C:\\src\\caf\xC3\xA9.bin");
  EXPECT_EQ(header.comments, std::string(524, 'z'));

  EarlyMasterHeaderBytes early{};
  early.fill('e');
  const EarlyMasterHeader earlyHeader = DecodeEarlyMasterHeader(early);
  EXPECT_EQ(earlyHeader.pathPrefix, std::string(256, 'e'));
  EXPECT_EQ(earlyHeader.sourcePath, std::string(260, 'e'));
  EXPECT_EQ(earlyHeader.comments, std::string(256, 'e'));

  TrailerBytes trailer{};
  trailer.fill(0x41);
  EXPECT_EQ(DecodeSelfExtractTrailer(trailer).stubPath.size(), 530u * 3);  // U+4141, 3 bytes
}

TEST(PackageRecords, DamagedUtf16TextDecodesWithoutFailing) {
  MasterHeaderBytes bytes = SampleMasterBytes();
  SetBytes(bytes, 60, {0x00, 0xD8, 'a', 0, 0x00, 0xDC, 0x00, 0xDC});  // lone surrogates
  const MasterHeader header = DecodeMasterHeader(bytes);
  EXPECT_FALSE(header.pathPrefix.empty());
}

TEST(PackageRecords, VersionForms) {
  EXPECT_TRUE(IsCurrentFormVersion(0x00030000));
  EXPECT_TRUE(IsCurrentFormVersion(0x0003FFFF));
  EXPECT_FALSE(IsCurrentFormVersion(0x00040000));
  EXPECT_FALSE(IsCurrentFormVersion(0x00020000));
  for (std::uint32_t version : {1u, 0x00010002u, 0x00020000u}) {
    EXPECT_TRUE(IsEarlyFormVersion(version)) << version;
  }
  for (std::uint32_t version : {0u, 2u, 0x00010000u, 0x00010001u, 0x00020001u, 0x00030000u}) {
    EXPECT_FALSE(IsEarlyFormVersion(version)) << version;
  }
}

EarlyMasterHeader SampleEarlyMaster(std::uint32_t version, std::int32_t splitTime) {
  EarlyMasterHeader early;
  early.magic = kMasterMagic;
  early.version = version;
  early.headerSize = 816;
  early.checksum = 0xCAFEF00D;
  early.splitTime = splitTime;
  early.maxPieceDataSize = 0xFFFFFFFF;
  early.fileCount = 4;
  early.originalSize = 0xFFFFFFFE;
  early.pathPrefix = "D:\\out\\film.avi";
  early.sourcePath = "D:\\na\xEFve.avi";  // Windows-1252 "naïve"
  early.comments = "\x80 5";              // the euro sign in Windows-1252
  return early;
}

TEST(PackageRecords, EarlyMasterConvertsForEveryEarlyVersion) {
  for (std::uint32_t version : {kEarlyVersion1, kEarlyVersion1_2, kEarlyVersion2}) {
    SCOPED_TRACE(version);
    const MasterHeader header = ConvertEarlyMasterHeader(SampleEarlyMaster(version, 0));
    EXPECT_EQ(header.magic, kMasterMagic);
    EXPECT_EQ(header.version, version);
    EXPECT_EQ(header.headerSize, 816u);
    EXPECT_EQ(header.checksum, 0xCAFEF00Du);
    EXPECT_EQ(header.splitTime, 0.0);
    EXPECT_EQ(header.maxPieceDataSize, 0xFFFFFFFFu);  // widened, never sign-extended
    EXPECT_EQ(header.fileCount, 4u);
    EXPECT_EQ(header.originalSize, 0xFFFFFFFEu);
    EXPECT_EQ(header.pathPrefix, "D:\\out\\film.avi");
    EXPECT_EQ(header.sourcePath, "D:\\na\xC3\xAFve.avi");
    EXPECT_EQ(header.comments, "\xE2\x82\xAC 5");
  }
}

// The early time is seconds since 1970 in UTC, shown in local time: the stored date differs
// from the UTC date by the local offset, a whole number of quarter hours within 14 hours.
TEST(PackageRecords, EarlySplitTimeBecomesLocalOleDate) {
  for (std::int32_t seconds : {1000000000, -1, 86400 * 365}) {
    SCOPED_TRACE(seconds);
    const MasterHeader header = ConvertEarlyMasterHeader(SampleEarlyMaster(1, seconds));
    const double utcDate = 25569.0 + seconds / 86400.0;
    const double offsetMinutes = (header.splitTime - utcDate) * 1440.0;
    EXPECT_LE(std::fabs(offsetMinutes), 14 * 60.0);
    EXPECT_NEAR(offsetMinutes / 15.0, std::round(offsetMinutes / 15.0), 1e-6);
  }
}

}  // namespace
