#pragma once
// Packages for tests, written byte by byte from the package description rather than with the
// program's own record code, so that the merge is checked against the format itself. A package
// is described in memory first; a test may spoil any field, piece or byte before writing it.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

using ByteString = std::vector<std::uint8_t>;

inline constexpr std::uint32_t kTestCurrentVersion = 0x00030000;
inline constexpr std::uint32_t kTestVersion1 = 0x00000001;
inline constexpr std::uint32_t kTestVersion1_2 = 0x00010002;
inline constexpr std::uint32_t kTestVersion2 = 0x00020000;

struct PackageOptions {
  std::uint32_t version = kTestCurrentVersion;  // any 0x0003xxxx, or one of the early three
  bool selfExtracting = false;
  std::uint64_t maxPieceDataSize = 4312;  // the smallest split file size less the piece header
  // The prefix as the split stored it: a folder of the splitting machine and a name.
  std::string storedFolder = "D:\\out\\";
  std::string prefixName = "data.bin";
  std::string sourcePath = "C:\\work\\data.bin";
  std::string comments;
  double splitTime = 45000.5;               // current form: OLE date, UTC
  std::int32_t earlySplitTime = 946684800;  // early form: seconds since 1970
  ByteString stub;                          // the program that heads a self-extracting master
};

struct TestMaster {
  std::uint32_t magic = 0x204D5346;  // "FSM "
  std::uint32_t version = 0;
  std::uint32_t headerSize = 0;  // 2128 or 816
  std::uint32_t checksum = 0;
  double splitTime = 0;
  std::int32_t earlySplitTime = 0;
  std::uint64_t maxPieceDataSize = 0;
  std::uint32_t fileCount = 0;
  std::uint64_t originalSize = 0;
  std::string pathPrefix, sourcePath, comments;  // UTF-8; the early form takes them as bytes
};

struct TestPiece {
  std::uint32_t magic = 0x20535346;  // "FSS "
  std::uint32_t version = 0;
  std::uint32_t headerSize = 0;  // 56 or 28
  std::uint32_t pieceIndex = 0;  // only in the current form
  std::uint32_t pieceSum = 0;
  std::uint32_t runningChecksum = 0;
  std::uint64_t dataSize = 0;
  ByteString data;
};

struct TestTrailer {
  std::uint32_t trailerVersion = 2;
  std::uint32_t headerOffset = 0;
  std::uint32_t trailerSize = 1080;
  std::string stubPath = "C:\\Program Files\\Partwell\\PartwellLite.exe";
  std::uint32_t check = 0;
  std::uint32_t magic = 0x454D5346;  // "FSME"
};

// `size` bytes that differ from package to package with the seed.
ByteString PatternBytes(std::size_t size, std::uint32_t seed);

class TestPackage {
 public:
  // Cuts `original` into pieces of options.maxPieceDataSize bytes and fills in every record
  // and check value as the split of that version writes them.
  TestPackage(const PackageOptions& options, ByteString original);

  TestMaster master;
  std::vector<TestPiece> pieces;  // pieces[0] is piece 1
  bool selfExtracting = false;
  ByteString stub;
  TestTrailer trailer;

  const ByteString& Original() const { return original_; }
  // The file name of package file `index` (0 the master) by the naming rule of the version.
  std::string FileName(std::uint32_t index) const;
  ByteString MasterFileBytes() const;
  ByteString PieceFileBytes(std::size_t piece) const;
  // Writes every file into `folder`; the paths, the master first.
  std::vector<std::string> WriteTo(const std::filesystem::path& folder) const;

 private:
  std::string prefixName_;
  ByteString original_;
};

// The check values of the format, computed here on their own.
std::uint32_t TestByteSum(const ByteString& bytes);
std::uint32_t TestSampleSum(const ByteString& bytes);

// File-level damage.
void FlipByteAt(const std::string& file, std::uint64_t offset);
void CutFileTo(const std::string& file, std::uint64_t size);

// A folder inside another, created when missing.
std::filesystem::path SubFolder(const std::filesystem::path& parent, const std::string& name);
// Every file below a folder with its contents, by path relative to the folder: what a test
// compares before and after an operation that must change nothing.
std::map<std::string, ByteString> FolderContents(const std::filesystem::path& folder);
