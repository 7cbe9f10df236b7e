#include "engine/package_format.h"

#include <algorithm>
#include <bit>
#include <span>
#include <string_view>

#include "engine/ole_date.h"
#include "platform/clock.h"
#include "platform/unicode.h"

namespace {

using Bytes = std::span<std::uint8_t>;
using ConstBytes = std::span<const std::uint8_t>;

// The early master's 8-bit text fields.
constexpr std::size_t kEarlyPathPrefixBytes = 256;
constexpr std::size_t kEarlySourcePathBytes = 260;
constexpr std::size_t kEarlyCommentsBytes = 256;

std::uint32_t GetU32(ConstBytes bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{bytes[offset + i]} << (8 * i);
  return value;
}

// The text as UTF-16 units that leave room for the terminator, never ending in half a pair.
std::u16string CutToField(std::u16string text, std::size_t fieldChars) {
  if (text.size() < fieldChars) return text;
  text.resize(fieldChars - 1);
  if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.pop_back();
  return text;
}

std::string FitToField(std::string_view text, std::size_t fieldChars) {
  return platform::Utf16ToUtf8(CutToField(platform::Utf8ToUtf16(text), fieldChars));
}

// Each record's layout is written once, as a list of fields that a Writer stores into the
// zero-filled image and a Reader takes out of it, so the two directions cannot disagree.
class Writer {
 public:
  explicit Writer(Bytes bytes) : bytes_(bytes) {}

  void Field32(std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
      bytes_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  void Field32(std::size_t offset, std::int32_t value) {
    Field32(offset, static_cast<std::uint32_t>(value));
  }
  void Field64(std::size_t offset, std::uint64_t value) {
    Field32(offset, static_cast<std::uint32_t>(value));
    Field32(offset + 4, static_cast<std::uint32_t>(value >> 32));
  }
  void Field64(std::size_t offset, double value) {
    Field64(offset, std::bit_cast<std::uint64_t>(value));
  }
  // A 64-bit value that the early piece stores in 32 bits.
  void Narrow32(std::size_t offset, std::uint64_t value) {
    Field32(offset, static_cast<std::uint32_t>(value));
  }
  void Text16(std::size_t offset, std::size_t fieldChars, std::string_view text) {
    const std::u16string units = CutToField(platform::Utf8ToUtf16(text), fieldChars);
    for (std::size_t i = 0; i < units.size(); ++i) {
      bytes_[offset + 2 * i] = static_cast<std::uint8_t>(units[i]);
      bytes_[offset + 2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
    }
  }
  void Text8(std::size_t offset, std::size_t fieldBytes, std::string_view text) {
    const std::size_t length = std::min(text.size(), fieldBytes - 1);
    for (std::size_t i = 0; i < length; ++i)
      bytes_[offset + i] = static_cast<std::uint8_t>(text[i]);
  }

 private:
  Bytes bytes_;
};

class Reader {
 public:
  explicit Reader(ConstBytes bytes) : bytes_(bytes) {}

  void Field32(std::size_t offset, std::uint32_t& value) { value = GetU32(bytes_, offset); }
  void Field32(std::size_t offset, std::int32_t& value) {
    value = static_cast<std::int32_t>(GetU32(bytes_, offset));
  }
  void Field64(std::size_t offset, std::uint64_t& value) {
    value = GetU32(bytes_, offset) | std::uint64_t{GetU32(bytes_, offset + 4)} << 32;
  }
  void Field64(std::size_t offset, double& value) {
    std::uint64_t bits = 0;
    Field64(offset, bits);
    value = std::bit_cast<double>(bits);
  }
  void Narrow32(std::size_t offset, std::uint64_t& value) { value = GetU32(bytes_, offset); }
  // Up to the terminator, or the whole field when a damaged record has none.
  void Text16(std::size_t offset, std::size_t fieldChars, std::string& text) {
    std::u16string units;
    for (std::size_t i = 0; i < fieldChars; ++i) {
      const auto unit =
          static_cast<char16_t>(bytes_[offset + 2 * i] | bytes_[offset + 2 * i + 1] << 8);
      if (unit == 0) break;
      units.push_back(unit);
    }
    text = platform::Utf16ToUtf8(units);
  }
  void Text8(std::size_t offset, std::size_t fieldBytes, std::string& text) {
    text.clear();
    for (std::size_t i = 0; i < fieldBytes && bytes_[offset + i] != 0; ++i) {
      text.push_back(static_cast<char>(bytes_[offset + i]));
    }
  }

 private:
  ConstBytes bytes_;
};

template <class Io, class Header>
void MasterLayout(Io& io, Header& header) {
  io.Field32(0, header.magic);
  io.Field32(4, header.version);
  io.Field32(8, header.headerSize);
  io.Field32(20, header.checksum);
  io.Field64(24, header.splitTime);
  io.Field64(32, header.maxPieceDataSize);
  io.Field32(40, header.fileCount);
  io.Field64(48, header.originalSize);
  io.Text16(60, kPathPrefixChars, header.pathPrefix);
  io.Text16(560, kSourcePathChars, header.sourcePath);
  io.Text16(1080, kCommentsChars, header.comments);
}

template <class Io, class Header>
void EarlyMasterLayout(Io& io, Header& header) {
  io.Field32(0, header.magic);
  io.Field32(4, header.version);
  io.Field32(8, header.headerSize);
  io.Field32(20, header.checksum);
  io.Field32(24, header.splitTime);
  io.Field32(28, header.maxPieceDataSize);
  io.Field32(32, header.fileCount);
  io.Field32(36, header.originalSize);
  io.Text8(44, kEarlyPathPrefixBytes, header.pathPrefix);
  io.Text8(300, kEarlySourcePathBytes, header.sourcePath);
  io.Text8(560, kEarlyCommentsBytes, header.comments);
}

template <class Io, class Header>
void PieceLayout(Io& io, Header& header) {
  io.Field32(0, header.magic);
  io.Field32(4, header.version);
  io.Field32(8, header.headerSize);
  io.Field32(16, header.pieceIndex);
  io.Field32(kPieceSumOffset, header.pieceSum);
  io.Field32(kRunningChecksumOffset, header.runningChecksum);
  io.Field64(32, header.dataSize);
}

template <class Io, class Header>
void EarlyPieceLayout(Io& io, Header& header) {
  io.Field32(0, header.magic);
  io.Field32(4, header.version);
  io.Field32(8, header.headerSize);
  io.Narrow32(12, header.dataSize);
  io.Field32(kPieceSumOffset, header.pieceSum);
  io.Field32(kRunningChecksumOffset, header.runningChecksum);
}

template <class Io, class Trailer>
void TrailerLayout(Io& io, Trailer& trailer) {
  io.Field32(0, trailer.trailerVersion);
  io.Field32(4, trailer.headerOffset);
  io.Field32(8, trailer.trailerSize);
  io.Text16(12, kStubPathChars, trailer.stubPath);
  io.Field32(1072, trailer.check);
  io.Field32(1076, trailer.magic);
}

template <class Image, class Record, class Layout>
Image Encode(const Record& record, Layout layout) {
  Image bytes{};
  Writer writer(bytes);
  layout(writer, record);
  return bytes;
}

template <class Record, class Image, class Layout>
Record Decode(const Image& bytes, Layout layout) {
  Record record;
  Reader reader(bytes);
  layout(reader, record);
  return record;
}

}  // namespace

bool IsCurrentFormVersion(std::uint32_t version) { return version >> 16 == kCurrentVersion >> 16; }

bool IsEarlyFormVersion(std::uint32_t version) {
  return version == kEarlyVersion1 || version == kEarlyVersion1_2 || version == kEarlyVersion2;
}

RecordStart DecodeRecordStart(std::span<const std::uint8_t> bytes) {
  return {GetU32(bytes, 0), GetU32(bytes, 4), GetU32(bytes, 8)};
}

MasterHeader NewMasterHeader() {
  MasterHeader header;
  header.magic = kMasterMagic;
  header.version = kCurrentVersion;
  header.headerSize = kMasterHeaderSize;
  header.splitTime = CurrentOleDateUtc();
  return header;
}

PieceHeader NewPieceHeader(std::uint32_t pieceIndex, std::uint64_t dataSize) {
  PieceHeader header;
  header.magic = kPieceMagic;
  header.version = kCurrentVersion;
  header.headerSize = kPieceHeaderSize;
  header.pieceIndex = pieceIndex;
  header.dataSize = dataSize;
  return header;
}

SelfExtractTrailer NewSelfExtractTrailer(std::uint32_t headerOffset, const std::string& stubPath) {
  SelfExtractTrailer trailer;
  trailer.trailerVersion = kTrailerVersion;
  trailer.headerOffset = headerOffset;
  trailer.trailerSize = kTrailerSize;
  trailer.stubPath = stubPath;
  trailer.check = headerOffset + static_cast<std::uint32_t>(kTrailerSize);
  trailer.magic = kTrailerMagic;
  return trailer;
}

MasterHeaderBytes EncodeMasterHeader(const MasterHeader& header) {
  return Encode<MasterHeaderBytes>(header, MasterLayout<Writer, const MasterHeader>);
}

MasterHeader DecodeMasterHeader(const MasterHeaderBytes& bytes) {
  return Decode<MasterHeader>(bytes, MasterLayout<Reader, MasterHeader>);
}

EarlyMasterHeaderBytes EncodeEarlyMasterHeader(const EarlyMasterHeader& header) {
  return Encode<EarlyMasterHeaderBytes>(header, EarlyMasterLayout<Writer, const EarlyMasterHeader>);
}

EarlyMasterHeader DecodeEarlyMasterHeader(const EarlyMasterHeaderBytes& bytes) {
  return Decode<EarlyMasterHeader>(bytes, EarlyMasterLayout<Reader, EarlyMasterHeader>);
}

PieceHeaderBytes EncodePieceHeader(const PieceHeader& header) {
  return Encode<PieceHeaderBytes>(header, PieceLayout<Writer, const PieceHeader>);
}

PieceHeader DecodePieceHeader(const PieceHeaderBytes& bytes) {
  return Decode<PieceHeader>(bytes, PieceLayout<Reader, PieceHeader>);
}

EarlyPieceHeaderBytes EncodeEarlyPieceHeader(const PieceHeader& header) {
  return Encode<EarlyPieceHeaderBytes>(header, EarlyPieceLayout<Writer, const PieceHeader>);
}

PieceHeader DecodeEarlyPieceHeader(const EarlyPieceHeaderBytes& bytes) {
  return Decode<PieceHeader>(bytes, EarlyPieceLayout<Reader, PieceHeader>);
}

TrailerBytes EncodeSelfExtractTrailer(const SelfExtractTrailer& trailer) {
  return Encode<TrailerBytes>(trailer, TrailerLayout<Writer, const SelfExtractTrailer>);
}

SelfExtractTrailer DecodeSelfExtractTrailer(const TrailerBytes& bytes) {
  return Decode<SelfExtractTrailer>(bytes, TrailerLayout<Reader, SelfExtractTrailer>);
}

MasterHeader ConvertEarlyMasterHeader(const EarlyMasterHeader& early) {
  MasterHeader header;
  header.magic = early.magic;
  header.version = early.version;
  header.headerSize = early.headerSize;
  header.checksum = early.checksum;
  platform::CalendarTime local;
  if (early.splitTime != 0 && platform::LocalCalendarTime(early.splitTime, local)) {
    header.splitTime = OleDateFromCalendarTime(local);
  }
  header.maxPieceDataSize = early.maxPieceDataSize;
  header.fileCount = early.fileCount;
  header.originalSize = early.originalSize;
  header.pathPrefix = FitToField(platform::AnsiToUtf8(early.pathPrefix), kPathPrefixChars);
  header.sourcePath = FitToField(platform::AnsiToUtf8(early.sourcePath), kSourcePathChars);
  header.comments = FitToField(platform::AnsiToUtf8(early.comments), kCommentsChars);
  return header;
}
