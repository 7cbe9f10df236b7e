#pragma once
// The on-disk records of a package: the master header (current 2128-byte and early 816-byte
// forms), the piece header (56 and 28 bytes) and the self-extracting trailer (1080 bytes).
// Records are little-endian and zero-filled; text fields are UTF-16LE (8-bit in the early
// master), terminated and zero-padded to their width. In memory, text is UTF-8.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Magic values, as the little-endian integers that the records store.
inline constexpr std::uint32_t kMasterMagic = 0x204D5346;   // "FSM "
inline constexpr std::uint32_t kPieceMagic = 0x20535346;    // "FSS "
inline constexpr std::uint32_t kTrailerMagic = 0x454D5346;  // "FSME"

// Versions. The current form accepts any version whose upper 16 bits are 3; the early form
// exactly one of the three early values.
inline constexpr std::uint32_t kCurrentVersion = 0x00030000;
inline constexpr std::uint32_t kEarlyVersion1 = 0x00000001;
inline constexpr std::uint32_t kEarlyVersion1_2 = 0x00010002;
inline constexpr std::uint32_t kEarlyVersion2 = 0x00020000;
inline constexpr std::uint32_t kTrailerVersion = 2;
inline constexpr std::uint32_t kTrailerVersionLimit = 0x10000;  // a reader accepts those below

// Record sizes in bytes.
inline constexpr std::size_t kMasterHeaderSize = 2128;
inline constexpr std::size_t kEarlyMasterHeaderSize = 816;
inline constexpr std::size_t kPieceHeaderSize = 56;
inline constexpr std::size_t kEarlyPieceHeaderSize = 28;
inline constexpr std::size_t kTrailerSize = 1080;

// Text field widths in characters, the terminator included.
inline constexpr std::size_t kPathPrefixChars = 250;
inline constexpr std::size_t kSourcePathChars = 260;
inline constexpr std::size_t kCommentsChars = 524;
inline constexpr std::size_t kStubPathChars = 530;

// Where the split patches a piece header after its data is written.
inline constexpr std::uint64_t kPieceSumOffset = 20;
inline constexpr std::uint64_t kRunningChecksumOffset = 24;

// Limits of the format as the writer keeps them and the reader relies on them.
inline constexpr std::uint32_t kMaxFileCount = 32766;
inline constexpr std::size_t kMaxPathPrefixChars = 249;
inline constexpr std::size_t kMaxSourcePathChars = 259;
inline constexpr std::size_t kMaxCommentsChars = 523;
inline constexpr std::uint64_t kMinSplitFileSize = 4368;
inline constexpr std::uint64_t kMaxSplitFileSize = 107374182400;  // 100 GiB
inline constexpr std::uint64_t kMinOriginalSize = 4368;
inline constexpr std::uint64_t kMaxOriginalSize = 1099511627776;  // 1 TiB

using MasterHeaderBytes = std::array<std::uint8_t, kMasterHeaderSize>;
using EarlyMasterHeaderBytes = std::array<std::uint8_t, kEarlyMasterHeaderSize>;
using PieceHeaderBytes = std::array<std::uint8_t, kPieceHeaderSize>;
using EarlyPieceHeaderBytes = std::array<std::uint8_t, kEarlyPieceHeaderSize>;
using TrailerBytes = std::array<std::uint8_t, kTrailerSize>;

// The description of a package, in the current layout whatever form it was read from. An early
// master keeps its own version and headerSize (816), which tells later steps its generation.
struct MasterHeader {
  std::uint32_t magic = 0;
  std::uint32_t version = 0;
  std::uint32_t headerSize = 0;
  std::uint32_t checksum = 0;  // the package check value; the current writer leaves it 0
  double splitTime = 0.0;      // OLE Automation date, UTC; 0 when unknown
  std::uint64_t maxPieceDataSize = 0;
  std::uint32_t fileCount = 0;  // the master and every piece
  std::uint64_t originalSize = 0;
  std::string pathPrefix;  // folder and file-name prefix every package file name is built from
  std::string sourcePath;  // the original file at the time of the split
  std::string comments;

  friend bool operator==(const MasterHeader&, const MasterHeader&) = default;
};

// The early master as stored: 32-bit sizes, seconds since 1970, 8-bit texts kept as bytes.
struct EarlyMasterHeader {
  std::uint32_t magic = 0;
  std::uint32_t version = 0;
  std::uint32_t headerSize = 0;
  std::uint32_t checksum = 0;
  std::int32_t splitTime = 0;  // 0 when unknown
  std::uint32_t maxPieceDataSize = 0;
  std::uint32_t fileCount = 0;
  std::uint32_t originalSize = 0;
  std::string pathPrefix;
  std::string sourcePath;
  std::string comments;

  friend bool operator==(const EarlyMasterHeader&, const EarlyMasterHeader&) = default;
};

// Either form of a piece header; headerSize (56 or 28) says which, and where the data starts.
struct PieceHeader {
  std::uint32_t magic = 0;
  std::uint32_t version = 0;
  std::uint32_t headerSize = 0;
  std::uint32_t pieceIndex = 0;  // written, never checked; not in the early form
  std::uint32_t pieceSum = 0;
  std::uint32_t runningChecksum = 0;
  std::uint64_t dataSize = 0;  // 32 bits in the early form

  friend bool operator==(const PieceHeader&, const PieceHeader&) = default;
};

// The last record of a self-extracting master, after the stub and the master header.
struct SelfExtractTrailer {
  std::uint32_t trailerVersion = 0;
  std::uint32_t headerOffset = 0;  // where the master header starts: the stub's size
  std::uint32_t trailerSize = 0;
  std::string stubPath;     // informative only
  std::uint32_t check = 0;  // headerOffset + trailer size
  std::uint32_t magic = 0;

  friend bool operator==(const SelfExtractTrailer&, const SelfExtractTrailer&) = default;
};

// The three fields that every master and piece record starts with, in either form.
struct RecordStart {
  std::uint32_t magic = 0;
  std::uint32_t version = 0;
  std::uint32_t headerSize = 0;
};

bool IsCurrentFormVersion(std::uint32_t version);
bool IsEarlyFormVersion(std::uint32_t version);

// Fresh records as the split writes them; the master's splitTime is now, in UTC.
MasterHeader NewMasterHeader();
PieceHeader NewPieceHeader(std::uint32_t pieceIndex, std::uint64_t dataSize);
SelfExtractTrailer NewSelfExtractTrailer(std::uint32_t headerOffset, const std::string& stubPath);

// The start of a master or piece record; `bytes` holds at least its first 12 bytes.
RecordStart DecodeRecordStart(std::span<const std::uint8_t> bytes);

// Byte-exact images. Encoding cuts a text that does not fit its field, keeping the terminator;
// decoding reads a text up to its terminator or the end of its field.
MasterHeaderBytes EncodeMasterHeader(const MasterHeader& header);
MasterHeader DecodeMasterHeader(const MasterHeaderBytes& bytes);
EarlyMasterHeaderBytes EncodeEarlyMasterHeader(const EarlyMasterHeader& header);
EarlyMasterHeader DecodeEarlyMasterHeader(const EarlyMasterHeaderBytes& bytes);
PieceHeaderBytes EncodePieceHeader(const PieceHeader& header);
PieceHeader DecodePieceHeader(const PieceHeaderBytes& bytes);
EarlyPieceHeaderBytes EncodeEarlyPieceHeader(const PieceHeader& header);
PieceHeader DecodeEarlyPieceHeader(const EarlyPieceHeaderBytes& bytes);
TrailerBytes EncodeSelfExtractTrailer(const SelfExtractTrailer& trailer);
SelfExtractTrailer DecodeSelfExtractTrailer(const TrailerBytes& bytes);

// The early master in the current layout: sizes widened, the time broken down in local time
// and stored as an OLE Automation date (0 stays 0), the 8-bit texts read in the ANSI code page.
// Version and headerSize (816) are kept.
MasterHeader ConvertEarlyMasterHeader(const EarlyMasterHeader& early);
