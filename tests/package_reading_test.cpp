#include "engine/package_reading.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "app/exceptions.h"

namespace {

namespace fs = std::filesystem;
using ByteVector = std::vector<std::uint8_t>;

ByteVector Bytes(std::span<const std::uint8_t> part) { return {part.begin(), part.end()}; }

ByteVector operator+(ByteVector head, std::span<const std::uint8_t> tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

ByteVector Filler(std::size_t size, std::uint8_t value = 0x5A) { return ByteVector(size, value); }

MasterHeader CurrentMaster() {
  MasterHeader header;
  header.magic = kMasterMagic;
  header.version = kCurrentVersion;
  header.headerSize = kMasterHeaderSize;
  header.splitTime = 45000.25;
  header.maxPieceDataSize = 1000000;
  header.fileCount = 3;
  header.originalSize = 1500000;
  header.pathPrefix = "C:\\p\\a";
  header.sourcePath = "C:\\src\\a.bin";
  header.comments = "two pieces";
  return header;
}

EarlyMasterHeader EarlyMaster(std::uint32_t version) {
  EarlyMasterHeader header;
  header.magic = kMasterMagic;
  header.version = version;
  header.headerSize = kEarlyMasterHeaderSize;
  header.checksum = 77;
  header.maxPieceDataSize = 5000;
  header.fileCount = 4;
  header.originalSize = 12000;
  header.pathPrefix = "D:\\out\\film.avi";
  return header;
}

ByteVector Master(const MasterHeader& header) { return Bytes(EncodeMasterHeader(header)); }
ByteVector Early(const EarlyMasterHeader& header) { return Bytes(EncodeEarlyMasterHeader(header)); }

// A stub, the master header and a trailer that points at it.
ByteVector SelfExtracting(std::span<const std::uint8_t> header, std::uint32_t stubSize = 5000) {
  return Filler(stubSize, 0x4D) + header +
         EncodeSelfExtractTrailer(NewSelfExtractTrailer(stubSize, "/opt/bin/PartwellLite"));
}

std::string ErrorText(const CException& error) {
  std::string text;
  error.GetErrorMessage(text, 4096);
  return text;
}

class PackageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = fs::temp_directory_path() /
              ("partwell_package_" + test + "_" + std::to_string(std::random_device{}()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

  std::string WriteFile(const std::string& name, const ByteVector& bytes) const {
    const std::string path = PathOf(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  // The error text that reading the master header of these bytes raises, or "" on success.
  std::string ReadMasterError(const ByteVector& bytes, MasterHeader& header) const {
    CFile64 file;
    file.Open(WriteFile("master.fsm", bytes), false);
    try {
      ReadMasterHeader(file, header);
    } catch (const CAppException& error) {
      return ErrorText(error);
    }
    return "";
  }

  std::string InvalidFormat(const std::string& name) const {
    return "The format of the file " + PathOf(name) + " is invalid.";
  }

  fs::path folder_;
};

TEST_F(PackageFiles, CurrentMasterIsReadAsStored) {
  MasterHeader header;
  CFile64 file;
  file.Open(WriteFile("a.fsm", Master(CurrentMaster())), false);
  ReadMasterHeader(file, header);
  EXPECT_EQ(file.Position(), 2128u);
  EXPECT_EQ(header.version, kCurrentVersion);
  EXPECT_EQ(header.splitTime, 45000.25);
  EXPECT_EQ(header.fileCount, 3u);
  EXPECT_EQ(header.originalSize, 1500000u);
  EXPECT_EQ(header.pathPrefix, "C:\\p\\a");
  EXPECT_EQ(header.comments, "two pieces");
}

TEST_F(PackageFiles, CurrentMasterVersionIsJudgedByItsUpperHalf) {
  MasterHeader master = CurrentMaster();
  MasterHeader header;
  master.version = 0x00030001;
  EXPECT_EQ(ReadMasterError(Master(master), header), "");
  EXPECT_EQ(header.version, 0x00030001u);
  for (std::uint32_t version : {0x00040000u, 0x00020000u, 0u}) {
    master.version = version;
    EXPECT_EQ(ReadMasterError(Master(master), header), InvalidFormat("master.fsm")) << version;
  }
}

TEST_F(PackageFiles, EarlyMasterIsConvertedAndThePositionEndsAfterIt) {
  struct Case {
    const char* what;
    std::uint32_t version;
    std::size_t trailingBytes;
  };
  const Case cases[] = {
      {"version 1, exactly 816 bytes", kEarlyVersion1, 0},
      {"version 1.2, exactly 816 bytes", kEarlyVersion1_2, 0},
      {"version 2.0, 1000 bytes", kEarlyVersion2, 184},
      {"2128 bytes whose header says 816", kEarlyVersion2, 1312},
      {"longer than 2128 bytes", kEarlyVersion1_2, 5000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CFile64 file;
    file.Open(WriteFile("early.fsm", Early(EarlyMaster(c.version)) + Filler(c.trailingBytes)),
              false);
    MasterHeader header;
    ReadMasterHeader(file, header);
    EXPECT_EQ(file.Position(), 816u);
    EXPECT_EQ(header.version, c.version);
    EXPECT_EQ(header.headerSize, 816u);
    EXPECT_EQ(header.checksum, 77u);
    EXPECT_EQ(header.splitTime, 0.0);
    EXPECT_EQ(header.fileCount, 4u);
    EXPECT_EQ(header.pathPrefix, "D:\\out\\film.avi");
  }
}

TEST_F(PackageFiles, MastersOfNeitherFormAreRefused) {
  MasterHeader wrongMagic = CurrentMaster();
  wrongMagic.magic = kPieceMagic;
  MasterHeader earlySizeCurrentVersion = CurrentMaster();
  earlySizeCurrentVersion.headerSize = 816;
  EarlyMasterHeader earlyUnknownVersion = EarlyMaster(0x00020001);
  EarlyMasterHeader earlyWrongSize = EarlyMaster(kEarlyVersion2);
  earlyWrongSize.headerSize = 28;
  const ByteVector current = Master(CurrentMaster());
  const ByteVector early = Early(EarlyMaster(1));

  const std::pair<const char*, ByteVector> cases[] = {
      {"empty file", {}},
      {"815 bytes of an early master", ByteVector(early.begin(), early.end() - 1)},
      {"a current master cut short", ByteVector(current.begin(), current.end() - 1)},
      {"wrong magic", Master(wrongMagic)},
      {"816 with a current version", Master(earlySizeCurrentVersion)},
      {"unknown early version", Early(earlyUnknownVersion)},
      {"early version with a piece's size", Early(earlyWrongSize)},
      {"a program file", Filler(10000, 0x4D)},
  };
  for (const auto& [what, bytes] : cases) {
    MasterHeader header = CurrentMaster();
    EXPECT_EQ(ReadMasterError(bytes, header), InvalidFormat("master.fsm")) << what;
    EXPECT_EQ(header.comments, "two pieces") << what << ": the header changed";
  }
}

TEST_F(PackageFiles, FileCountMustBeWithinTheFormat) {
  const std::pair<std::uint32_t, bool> cases[] = {
      {0, false}, {1, true}, {32766, true}, {32767, false}, {0xFFFFFFFF, false}};
  for (const auto& [count, accepted] : cases) {
    MasterHeader master = CurrentMaster();
    master.fileCount = count;
    EarlyMasterHeader early = EarlyMaster(kEarlyVersion1_2);
    early.fileCount = count;
    MasterHeader header;
    const std::string expected = accepted ? "" : InvalidFormat("master.fsm");
    EXPECT_EQ(ReadMasterError(Master(master), header), expected) << count;
    EXPECT_EQ(ReadMasterError(Early(early), header), expected) << "early " << count;
  }
}

TEST_F(PackageFiles, SelfExtractingMasterIsFoundThroughItsTrailer) {
  CFile64 file;
  file.Open(WriteFile("a_00000.exe", SelfExtracting(EncodeMasterHeader(CurrentMaster()))), false);
  file.SeekToBegin(123);
  MasterHeader header;
  ASSERT_TRUE(FindSelfExtractTrailer(file, header));
  EXPECT_EQ(file.Position(), 123u);
  EXPECT_EQ(header.pathPrefix, "C:\\p\\a");
  EXPECT_EQ(header.fileCount, 3u);
}

TEST_F(PackageFiles, EarlyHeaderBehindATrailerIsAccepted) {
  CFile64 file;
  file.Open(WriteFile("old.exe", SelfExtracting(EncodeEarlyMasterHeader(EarlyMaster(0x00020000)))),
            false);
  MasterHeader header;
  ASSERT_TRUE(FindSelfExtractTrailer(file, header));
  EXPECT_EQ(file.Position(), 0u);
  EXPECT_EQ(header.version, 0x00020000u);
}

ByteVector WithTrailer(const SelfExtractTrailer& trailer, std::size_t stubSize = 5000) {
  return Filler(stubSize, 0x4D) + EncodeMasterHeader(CurrentMaster()) +
         EncodeSelfExtractTrailer(trailer);
}

TEST_F(PackageFiles, DamagedOrHostileTrailersMeanNotSelfExtracting) {
  const SelfExtractTrailer good = NewSelfExtractTrailer(5000, "stub");
  auto changed = [&](auto change) {
    SelfExtractTrailer trailer = good;
    change(trailer);
    return WithTrailer(trailer);
  };
  MasterHeader badHeader = CurrentMaster();
  badHeader.version = 0x00040000;

  const std::pair<const char*, ByteVector> cases[] = {
      {"check is not headerOffset + 1080", changed([](auto& t) { t.check += 1; })},
      {"trailer version 0x10000", changed([](auto& t) { t.trailerVersion = 0x10000; })},
      {"trailer size 1079", changed([](auto& t) { t.trailerSize = 1079; })},
      {"magic", changed([](auto& t) { t.magic = kMasterMagic; })},
      {"offset past the end",
       changed([](auto& t) { t.headerOffset = 0x7FFF0000, t.check = 0x7FFF0000 + 1080; })},
      {"offset into the trailer",
       changed([](auto& t) { t.headerOffset = 7128 - 816 + 8, t.check = t.headerOffset + 1080; })},
      {"offset into the header",
       changed([](auto& t) { t.headerOffset = 5008, t.check = 5008 + 1080; })},
      {"gap between header and trailer", Filler(5000) + EncodeMasterHeader(CurrentMaster()) +
                                             Filler(100) + EncodeSelfExtractTrailer(good)},
      {"invalid header behind the trailer",
       Filler(5000) + EncodeMasterHeader(badHeader) +
           EncodeSelfExtractTrailer(NewSelfExtractTrailer(5000, "stub"))},
      {"trailer alone", Bytes(EncodeSelfExtractTrailer(NewSelfExtractTrailer(0, "stub")))},
      {"shorter than a trailer", Filler(1079)},
      {"empty", {}},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    CFile64 file;
    file.Open(WriteFile("x.exe", bytes), false);
    if (!bytes.empty()) file.SeekToBegin(bytes.size() / 2);
    MasterHeader header = CurrentMaster();
    header.comments = "untouched";
    EXPECT_FALSE(FindSelfExtractTrailer(file, header));
    EXPECT_EQ(file.Position(), bytes.size() / 2);
    EXPECT_EQ(header.comments, "untouched");
  }
}

TEST_F(PackageFiles, TrailerVersionBelowTheLimitIsAccepted) {
  SelfExtractTrailer trailer = NewSelfExtractTrailer(5000, "stub");
  trailer.trailerVersion = 0xFFFF;
  CFile64 file;
  file.Open(WriteFile("x.exe", WithTrailer(trailer)), false);
  MasterHeader header;
  EXPECT_TRUE(FindSelfExtractTrailer(file, header));
}

TEST_F(PackageFiles, LoadMasterFileTellsBothForms) {
  const std::string dataOnly = WriteFile("a_00000.fsm", Master(CurrentMaster()));
  const std::string selfExtracting =
      WriteFile("a_00000.exe", SelfExtracting(EncodeMasterHeader(CurrentMaster())));
  MasterHeader header;
  bool isSelfExtracting = true;
  LoadMasterFile(dataOnly, header, isSelfExtracting);
  EXPECT_FALSE(isSelfExtracting);
  EXPECT_EQ(header.fileCount, 3u);
  LoadMasterFile(selfExtracting, header, isSelfExtracting);
  EXPECT_TRUE(isSelfExtracting);
  EXPECT_EQ(header.pathPrefix, "C:\\p\\a");
  EXPECT_TRUE(IsSelfExtractingMaster(selfExtracting));
  EXPECT_FALSE(IsSelfExtractingMaster(dataOnly));
}

TEST_F(PackageFiles, LoadMasterFileErrorsInOrder) {
  MasterHeader header = CurrentMaster();
  bool isSelfExtracting = true;
  auto errorFor = [&](const std::string& path) -> std::string {
    try {
      LoadMasterFile(path, header, isSelfExtracting);
    } catch (const CAppException& error) {
      return ErrorText(error);
    }
    return "";
  };
  SelfExtractTrailer badCheck = NewSelfExtractTrailer(5000, "stub");
  badCheck.check = 0;

  EXPECT_EQ(errorFor(""), "The file name was not specified.");
  EXPECT_EQ(header.fileCount, 0u) << "the header is zeroed first";
  EXPECT_FALSE(isSelfExtracting);
  EXPECT_EQ(errorFor(PathOf("missing.fsm")),
            "The file " + PathOf("missing.fsm") + " was not found.");
  EXPECT_EQ(errorFor(folder_.string()), "The file " + folder_.string() + " was not found.");
  EXPECT_EQ(errorFor(WriteFile("bad.exe", WithTrailer(badCheck))), InvalidFormat("bad.exe"));
  EXPECT_EQ(errorFor(WriteFile("short.fsm", Filler(100))), InvalidFormat("short.fsm"));
  EXPECT_EQ(header.fileCount, 0u);
}

TEST_F(PackageFiles, MasterHeldForWritingGivesTheOpenError) {
  const std::string path = WriteFile("busy.fsm", Master(CurrentMaster()));
  CFile64 writer;
  writer.Open(path, true);
  MasterHeader header;
  bool isSelfExtracting = false;
  try {
    LoadMasterFile(path, header, isSelfExtracting);
    FAIL() << "opened a file held for writing";
  } catch (const CFileException& error) {
    EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
    EXPECT_EQ(error.m_lOsError, -1);
    EXPECT_EQ(error.m_strFileName, path);
  }
}

TEST_F(PackageFiles, SelfExtractingTestOfAMissingFileRaisesTheFileError) {
  try {
    IsSelfExtractingMaster(PathOf("missing.exe"));
    FAIL() << "no error";
  } catch (const CFileException& error) {
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  }
}

TEST_F(PackageFiles, RunningProgramWithoutTrailerIsNotSelfExtracting) {
  EXPECT_FALSE(IsSelfExtractingMaster());
}

TEST_F(PackageFiles, PieceHeadersOfBothForms) {
  PieceHeader current = NewPieceHeader(2, 3);
  current.pieceSum = 6;
  current.runningChecksum = 9;
  const ByteVector data{1, 2, 3};
  {
    CFile64 piece;
    piece.Open(WriteFile("a_00002.fss", Bytes(EncodePieceHeader(current)) + data), false);
    const PieceHeader header = ReadPieceHeader(piece);
    EXPECT_EQ(header.headerSize, 56u);
    EXPECT_EQ(header.dataSize, 3u);
    EXPECT_EQ(header.pieceSum, 6u);
    EXPECT_EQ(header.runningChecksum, 9u);
    EXPECT_EQ(piece.Position(), 56u);
  }
  PieceHeader early;
  early.magic = kPieceMagic;
  early.version = kEarlyVersion1;
  early.headerSize = 28;
  early.dataSize = 3;
  early.pieceSum = 6;
  for (std::size_t extra : {0, 3, 100}) {
    SCOPED_TRACE(extra);
    CFile64 piece;
    piece.Open(WriteFile("film.avi1.fss", Bytes(EncodeEarlyPieceHeader(early)) + Filler(extra)),
               false);
    const PieceHeader header = ReadPieceHeader(piece);
    EXPECT_EQ(header.headerSize, 28u);
    EXPECT_EQ(header.version, kEarlyVersion1);
    EXPECT_EQ(header.dataSize, 3u);
    EXPECT_EQ(header.pieceSum, 6u);
    EXPECT_EQ(piece.Position(), 28u);
  }
}

TEST_F(PackageFiles, PiecesOfNeitherFormAreRefused) {
  PieceHeader future = NewPieceHeader(1, 3);
  future.version = 0x00040000;
  PieceHeader master = NewPieceHeader(1, 3);
  master.magic = kMasterMagic;
  PieceHeader earlyUnknown = NewPieceHeader(1, 3);
  earlyUnknown.version = 0x00020001;
  earlyUnknown.headerSize = 28;
  PieceHeader earlyCurrentSize = NewPieceHeader(1, 3);
  earlyCurrentSize.version = kEarlyVersion2;
  const ByteVector early = Bytes(EncodeEarlyPieceHeader(NewPieceHeader(1, 3)));

  const std::pair<const char*, ByteVector> cases[] = {
      {"empty", {}},
      {"27 bytes", ByteVector(early.begin(), early.end() - 1)},
      {"future version", Bytes(EncodePieceHeader(future))},
      {"master magic", Bytes(EncodePieceHeader(master))},
      {"unknown early version", Bytes(EncodeEarlyPieceHeader(earlyUnknown))},
      {"early version with the current size", Bytes(EncodePieceHeader(earlyCurrentSize))},
  };
  for (const auto& [what, bytes] : cases) {
    CFile64 piece;
    piece.Open(WriteFile("p.fss", bytes), false);
    try {
      ReadPieceHeader(piece);
      ADD_FAILURE() << what << ": accepted";
    } catch (const CAppException& error) {
      EXPECT_EQ(ErrorText(error), InvalidFormat("p.fss")) << what;
    }
  }
}

}  // namespace
