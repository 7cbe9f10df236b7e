#include "engine/package_reading.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <vector>

#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using ByteVector = std::vector<std::uint8_t>;

ByteVector operator+(ByteVector head, std::span<const std::uint8_t> tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

ByteVector Filler(std::size_t size) { return ByteVector(size, 0x4D); }

const MasterHeader kMaster{kMasterMagic, kCurrentVersion, 2128,        0, 45000.25, 1000000, 3,
                           1500000,      "C:\\p\\a",      "C:\\a.bin", ""};

EarlyMasterHeader EarlyMaster(std::uint32_t version, std::uint32_t headerSize = 816) {
  return {kMasterMagic, version, headerSize, 77, 0, 5000, 4, 12000, "D:\\out\\film.avi", "", ""};
}

ByteVector Current(MasterHeader header = kMaster) { return Filler(0) + EncodeMasterHeader(header); }
ByteVector Early(const EarlyMasterHeader& header) {
  return Filler(0) + EncodeEarlyMasterHeader(header);
}
ByteVector Cut(ByteVector bytes, std::size_t size) { return bytes.resize(size), bytes; }

// A stub of 5000 bytes, the header and the trailer that points at it.
ByteVector SelfExtracting(const ByteVector& header, SelfExtractTrailer trailer) {
  return Filler(5000) + header + EncodeSelfExtractTrailer(trailer);
}
const SelfExtractTrailer kTrailer = NewSelfExtractTrailer(5000, "/opt/PartwellLite");

template <class Change>
SelfExtractTrailer Trailer(Change change) {
  SelfExtractTrailer trailer = kTrailer;
  change(trailer);
  return trailer;
}

std::string ErrorText(const CException& error) {
  std::string text;
  error.GetErrorMessage(text, 4096);
  return text;
}

class PackageFiles : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return (folder_.Path() / name).string(); }
  std::string WriteFile(const std::string& name, const ByteVector& bytes) const {
    return folder_.Write(name, bytes.data(), bytes.size());
  }

  std::string InvalidFormat(const std::string& name) const {
    return "The format of the file " + PathOf(name) + " is invalid.";
  }

  // Runs the reader on the file "f" holding the bytes: its error text, "" on success.
  template <class Read>
  std::string ErrorOf(const ByteVector& bytes, Read read) const {
    CFile64 file;
    file.Open(WriteFile("f", bytes), false);
    try {
      read(file);
    } catch (const CAppException& error) {
      return ErrorText(error);
    }
    return "";
  }

  ScratchFolder folder_;
};

TEST_F(PackageFiles, MastersOfEitherFormAreReadAndTheRestRefused) {
  struct Case {
    const char* what;
    ByteVector bytes;
    std::uint32_t version;  // 0: refused
  };
  MasterHeader future = kMaster, wrongMagic = kMaster, earlySize = kMaster;
  future.version = 0x00040000;
  wrongMagic.magic = kPieceMagic;
  earlySize.headerSize = 816;
  const Case cases[] = {
      {"current", Current(), kCurrentVersion},
      {"upper half 3", Current({kMasterMagic, 0x00030001, 2128, 0, 0, 0, 1, 0, "C:\\p\\a", "", ""}),
       0x00030001},
      {"version 1, 816 bytes", Early(EarlyMaster(kEarlyVersion1)), kEarlyVersion1},
      {"version 1.2, 1000 bytes", Early(EarlyMaster(kEarlyVersion1_2)) + Filler(184), 0x10002},
      {"2128 bytes, header says 816", Early(EarlyMaster(kEarlyVersion2)) + Filler(1312), 0x20000},
      {"future version", Current(future), 0},
      {"wrong magic", Current(wrongMagic), 0},
      {"816 with a current version", Current(earlySize), 0},
      {"unknown early version", Early(EarlyMaster(0x00020001)), 0},
      {"early version, piece size", Early(EarlyMaster(kEarlyVersion2, 28)), 0},
      {"empty file", {}, 0},
      {"815 bytes", Cut(Early(EarlyMaster(kEarlyVersion1)), 815), 0},
      {"current cut short", Cut(Current(), 2127), 0},
      {"a program", Filler(10000), 0},
  };
  for (const Case& c : cases) {
    MasterHeader header = kMaster;
    header.comments = "untouched";
    std::uint64_t position = 0;
    const std::string error = ErrorOf(c.bytes, [&](CFile64& file) {
      ReadMasterHeader(file, header);
      position = file.Position();
    });
    if (c.version == 0) {
      EXPECT_EQ(error, InvalidFormat("f")) << c.what;
      EXPECT_EQ(header.comments, "untouched") << c.what;
      continue;
    }
    EXPECT_EQ(error, "") << c.what;
    EXPECT_EQ(header.version, c.version) << c.what;
    EXPECT_EQ(position, header.headerSize) << c.what;  // right after the record
    EXPECT_EQ(header.headerSize == 816 ? "D:\\out\\film.avi" : "C:\\p\\a", header.pathPrefix);
  }
}

TEST_F(PackageFiles, FileCountMustBeWithinTheFormat) {
  for (std::uint32_t count : {0u, 1u, 32766u, 32767u, 0xFFFFFFFFu}) {
    MasterHeader current = kMaster;
    current.fileCount = count;
    EarlyMasterHeader early = EarlyMaster(kEarlyVersion1_2);
    early.fileCount = count;
    const std::string expected = count == 0 || count > 32766 ? InvalidFormat("f") : "";
    MasterHeader header;
    auto read = [&](CFile64& file) { ReadMasterHeader(file, header); };
    EXPECT_EQ(ErrorOf(Current(current), read), expected) << count;
    EXPECT_EQ(ErrorOf(Early(early), read), expected) << "early " << count;
  }
}

TEST_F(PackageFiles, TrailerMustLeadExactlyToAValidHeader) {
  MasterHeader future = kMaster;
  future.version = 0x00040000;
  struct Case {
    const char* what;
    ByteVector bytes;
    bool found;
  };
  const Case cases[] = {
      {"current", SelfExtracting(Current(), kTrailer), true},
      {"early header", SelfExtracting(Early(EarlyMaster(kEarlyVersion2)), kTrailer), true},
      {"trailer version 0xFFFF",
       SelfExtracting(Current(), Trailer([](auto& t) { t.trailerVersion = 0xFFFF; })), true},
      {"check", SelfExtracting(Current(), Trailer([](auto& t) { t.check += 1; })), false},
      {"version 0x10000",
       SelfExtracting(Current(), Trailer([](auto& t) { t.trailerVersion = 0x10000; })), false},
      {"size 1079", SelfExtracting(Current(), Trailer([](auto& t) { t.trailerSize = 1079; })),
       false},
      {"magic", SelfExtracting(Current(), Trailer([](auto& t) { t.magic = kMasterMagic; })), false},
      {"offset past the end", SelfExtracting(Current(), NewSelfExtractTrailer(0x7FFF0000, "")),
       false},
      {"offset into the trailer", SelfExtracting(Current(), NewSelfExtractTrailer(6400, "")),
       false},
      {"offset into the header", SelfExtracting(Current(), NewSelfExtractTrailer(5008, "")), false},
      {"gap before the trailer", SelfExtracting(Current() + Filler(100), kTrailer), false},
      {"invalid header", SelfExtracting(Current(future), kTrailer), false},
      {"trailer alone", Filler(0) + EncodeSelfExtractTrailer(NewSelfExtractTrailer(0, "")), false},
      {"shorter than a trailer", Filler(1079), false},
      {"empty", {}, false},
  };
  for (const Case& c : cases) {
    CFile64 file;
    file.Open(WriteFile("x.exe", c.bytes), false);
    file.SeekToBegin(c.bytes.size() / 2);
    MasterHeader header;
    header.comments = "untouched";
    EXPECT_EQ(FindSelfExtractTrailer(file, header), c.found) << c.what;
    EXPECT_EQ(file.Position(), c.bytes.size() / 2) << c.what;
    EXPECT_EQ(header.comments, c.found ? "" : "untouched") << c.what;
  }
}

TEST_F(PackageFiles, SelfExtractingMasterAbove4GiB) {
  constexpr std::uint32_t kStubSize = 0xFFFFFC00;  // the check field wraps past 32 bits
  const std::string path = PathOf("big.exe");
  WriteFile("big.exe", {});
  fs::resize_file(path, kStubSize);
  std::ofstream(path, std::ios::binary | std::ios::app)
      .write(
          reinterpret_cast<const char*>(
              (Current() + EncodeSelfExtractTrailer(NewSelfExtractTrailer(kStubSize, ""))).data()),
          2128 + 1080);
  EXPECT_TRUE(IsSelfExtractingMaster(path));
}

TEST_F(PackageFiles, LoadMasterFileTellsTheFormsAndFailsInOrder) {
  MasterHeader header;
  bool isSelfExtracting = true;
  LoadMasterFile(WriteFile("a_00000.fsm", Current()), header, isSelfExtracting);
  EXPECT_FALSE(isSelfExtracting);
  LoadMasterFile(WriteFile("a_00000.exe", SelfExtracting(Current(), kTrailer)), header,
                 isSelfExtracting);
  EXPECT_TRUE(isSelfExtracting);
  EXPECT_EQ(header, kMaster);
  EXPECT_TRUE(IsSelfExtractingMaster(PathOf("a_00000.exe")));
  EXPECT_FALSE(IsSelfExtractingMaster(PathOf("a_00000.fsm")));

  auto errorFor = [&](const std::string& path) {
    return ErrorOf({}, [&](CFile64&) { LoadMasterFile(path, header, isSelfExtracting); });
  };
  EXPECT_EQ(errorFor(""), "The file name was not specified.");
  EXPECT_EQ(header.fileCount, 0u) << "the header is zeroed first";
  EXPECT_FALSE(isSelfExtracting);
  EXPECT_EQ(errorFor(PathOf("none.fsm")), "The file " + PathOf("none.fsm") + " was not found.");
  EXPECT_EQ(errorFor(folder_.PathText()), "The file " + folder_.PathText() + " was not found.");
  const ByteVector badCheck = SelfExtracting(Current(), Trailer([](auto& t) { t.check = 0; }));
  EXPECT_EQ(errorFor(WriteFile("bad.exe", badCheck)), InvalidFormat("bad.exe"));
}

TEST_F(PackageFiles, OpenFailuresKeepTheirCauseWithoutSystemCode) {
  const std::string path = WriteFile("busy.fsm", Current());
  CFile64 writer;
  writer.Open(path, true);
  MasterHeader header;
  bool isSelfExtracting = false;
  try {
    LoadMasterFile(path, header, isSelfExtracting);
    ADD_FAILURE() << "opened a file held for writing";
  } catch (const CFileException& error) {
    EXPECT_EQ(error.cause, CFileException::sharingViolation);
    EXPECT_EQ(error.osError, -1);
    EXPECT_EQ(error.fileName, path);
  }
  EXPECT_THROW(IsSelfExtractingMaster(PathOf("missing.exe")), CFileException);
  EXPECT_FALSE(IsSelfExtractingMaster());  // the test program carries no trailer
}

// Exit status 0 when the program, started from this file, finds a trailer in its own file.
int RunProgram(const std::string& path) {
  const bool onWindows = std::string_view(PW_EXE_SUFFIX) == ".exe";
  // cmd /c drops the first and the last quote of its command line.
  return std::system((onWindows ? "\"\"" + path + "\"\"" : "\"" + path + "\"").c_str());
}

TEST_F(PackageFiles, RunningProgramFindsTheTrailerAppendedToItsOwnFile) {
  const std::string tool = std::string(PW_BIN_DIR) + "/report_self_extracting" + PW_EXE_SUFFIX;
  const std::string copy = PathOf(std::string("a_00000") + PW_EXE_SUFFIX);
  fs::copy_file(tool, copy);
  const auto stubSize = static_cast<std::uint32_t>(fs::file_size(copy));
  const ByteVector tail =
      Current() + EncodeSelfExtractTrailer(NewSelfExtractTrailer(stubSize, tool));
  std::ofstream(copy, std::ios::binary | std::ios::app)
      .write(reinterpret_cast<const char*>(tail.data()), std::ssize(tail));
  EXPECT_EQ(RunProgram(copy), 0);
  EXPECT_NE(RunProgram(tool), 0);
}

TEST_F(PackageFiles, PieceHeadersOfEitherFormAndTheRestRefused) {
  PieceHeader early{kPieceMagic, kEarlyVersion1, 28, 0, 6, 0, 3};
  PieceHeader future = NewPieceHeader(1, 3), master = NewPieceHeader(1, 3);
  PieceHeader earlyUnknown = early, earlyAsCurrent = NewPieceHeader(1, 3);
  future.version = 0x00040000;
  master.magic = kMasterMagic;
  earlyUnknown.version = 0x00020001;
  earlyAsCurrent.version = kEarlyVersion2;
  const std::pair<ByteVector, std::uint32_t> cases[] = {
      // data offset, 0: refused
      {Filler(0) + EncodePieceHeader(NewPieceHeader(2, 3)) + Filler(3), 56},
      {Filler(0) + EncodeEarlyPieceHeader(early), 28},
      {Filler(0) + EncodeEarlyPieceHeader(early) + Filler(3), 28},
      {Filler(0) + EncodeEarlyPieceHeader(early) + Filler(100), 28},
      {{}, 0},
      {Cut(Filler(0) + EncodeEarlyPieceHeader(early), 27), 0},
      {Filler(0) + EncodePieceHeader(future), 0},
      {Filler(0) + EncodePieceHeader(master), 0},
      {Filler(0) + EncodeEarlyPieceHeader(earlyUnknown), 0},
      {Filler(0) + EncodePieceHeader(earlyAsCurrent), 0},
  };
  for (const auto& [bytes, dataOffset] : cases) {
    PieceHeader header;
    std::uint64_t position = 0;
    const std::string error = ErrorOf(bytes, [&](CFile64& piece) {
      header = ReadPieceHeader(piece);
      position = piece.Position();
    });
    SCOPED_TRACE(::testing::Message() << "case of " << bytes.size() << " bytes");
    EXPECT_EQ(error, dataOffset == 0 ? InvalidFormat("f") : "");
    if (dataOffset == 0) continue;
    EXPECT_EQ(header.headerSize, dataOffset);
    EXPECT_EQ(position, dataOffset);
    EXPECT_EQ(header.dataSize, 3u);
  }
}

}  // namespace
