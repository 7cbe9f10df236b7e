#include "tests/support/package_builder.h"

#include <algorithm>
#include <bit>
#include <random>
#include <stdexcept>
#include <string>

#include "platform/unicode.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/split_package.h"

namespace {

constexpr std::size_t kMasterSize = 2128;
constexpr std::size_t kEarlyMasterSize = 816;
constexpr std::size_t kPieceSize = 56;
constexpr std::size_t kEarlyPieceSize = 28;
constexpr std::size_t kTrailerSize = 1080;

bool IsCurrentForm(std::uint32_t version) { return version >> 16 == 3; }

// A zero-filled record into which fields are put at their offsets, little-endian.
class Record {
 public:
  explicit Record(std::size_t size) : bytes_(size, 0) {}

  void Put32(std::size_t offset, std::uint32_t value) { PutLittleEndian(offset, value, 4); }
  void Put64(std::size_t offset, std::uint64_t value) { PutLittleEndian(offset, value, 8); }
  // UTF-16LE, cut to leave room for the terminator within `chars` characters.
  void PutWide(std::size_t offset, std::size_t chars, const std::string& text) {
    const std::u16string wide = platform::Utf8ToUtf16(text);
    const std::size_t count = std::min(wide.size(), chars - 1);
    for (std::size_t i = 0; i < count; ++i) PutLittleEndian(offset + 2 * i, wide[i], 2);
  }
  // 8-bit text as given, cut likewise.
  void PutNarrow(std::size_t offset, std::size_t width, const std::string& text) {
    const std::size_t count = std::min(text.size(), width - 1);
    std::copy_n(text.begin(), count, bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
  }
  const ByteString& Bytes() const { return bytes_; }

 private:
  void PutLittleEndian(std::size_t offset, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) bytes_.at(offset + i) = (value >> (8 * i)) & 0xFF;
  }
  ByteString bytes_;
};

ByteString CurrentMasterRecord(const TestMaster& m) {
  Record r(kMasterSize);
  r.Put32(0, m.magic);
  r.Put32(4, m.version);
  r.Put32(8, m.headerSize);
  r.Put32(20, m.checksum);
  r.Put64(24, std::bit_cast<std::uint64_t>(m.splitTime));
  r.Put64(32, m.maxPieceDataSize);
  r.Put32(40, m.fileCount);
  r.Put64(48, m.originalSize);
  r.PutWide(60, 250, m.pathPrefix);
  r.PutWide(560, 260, m.sourcePath);
  r.PutWide(1080, 524, m.comments);
  return r.Bytes();
}

ByteString EarlyMasterRecord(const TestMaster& m) {
  Record r(kEarlyMasterSize);
  r.Put32(0, m.magic);
  r.Put32(4, m.version);
  r.Put32(8, m.headerSize);
  r.Put32(20, m.checksum);
  r.Put32(24, static_cast<std::uint32_t>(m.earlySplitTime));
  r.Put32(28, static_cast<std::uint32_t>(m.maxPieceDataSize));
  r.Put32(32, m.fileCount);
  r.Put32(36, static_cast<std::uint32_t>(m.originalSize));
  r.PutNarrow(44, 256, m.pathPrefix);
  r.PutNarrow(300, 260, m.sourcePath);
  r.PutNarrow(560, 256, m.comments);
  return r.Bytes();
}

ByteString PieceRecord(const TestPiece& p) {
  if (p.headerSize == kEarlyPieceSize || !IsCurrentForm(p.version)) {
    Record r(kEarlyPieceSize);
    r.Put32(0, p.magic);
    r.Put32(4, p.version);
    r.Put32(8, p.headerSize);
    r.Put32(12, static_cast<std::uint32_t>(p.dataSize));
    r.Put32(20, p.pieceSum);
    r.Put32(24, p.runningChecksum);
    return r.Bytes();
  }
  Record r(kPieceSize);
  r.Put32(0, p.magic);
  r.Put32(4, p.version);
  r.Put32(8, p.headerSize);
  r.Put32(16, p.pieceIndex);
  r.Put32(20, p.pieceSum);
  r.Put32(24, p.runningChecksum);
  r.Put64(32, p.dataSize);
  return r.Bytes();
}

ByteString TrailerRecord(const TestTrailer& t) {
  Record r(kTrailerSize);
  r.Put32(0, t.trailerVersion);
  r.Put32(4, t.headerOffset);
  r.Put32(8, t.trailerSize);
  r.PutWide(12, 530, t.stubPath);
  r.Put32(1072, t.check);
  r.Put32(1076, t.magic);
  return r.Bytes();
}

void Append(ByteString& to, const ByteString& bytes) {
  to.insert(to.end(), bytes.begin(), bytes.end());
}

}  // namespace

ByteString PatternBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 generator(seed);
  ByteString bytes(size);
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(generator() >> 24);
  return bytes;
}

std::uint32_t TestByteSum(const ByteString& bytes) {
  std::uint32_t sum = 0;
  for (std::uint8_t byte : bytes) sum += byte;
  return sum;
}

std::uint32_t TestSampleSum(const ByteString& bytes) {
  if (bytes.empty()) return 0;
  const std::size_t step = bytes.size() / 8;
  std::uint32_t sum = 0;
  for (std::size_t k = 0; k < 8; ++k) sum += bytes[k * step];
  return sum;
}

TestPackage::TestPackage(const PackageOptions& options, ByteString original)
    : selfExtracting(options.selfExtracting),
      stub(options.stub),
      prefixName_(options.prefixName),
      original_(std::move(original)) {
  const bool current = IsCurrentForm(options.version);
  const std::uint64_t step = options.maxPieceDataSize;
  if (step == 0) throw std::invalid_argument("a package needs room for data in its pieces");
  std::uint32_t running = 0;
  for (std::uint64_t start = 0; start < original_.size(); start += step) {
    TestPiece piece;
    piece.version = options.version;
    piece.headerSize = current ? kPieceSize : kEarlyPieceSize;
    piece.pieceIndex = static_cast<std::uint32_t>(pieces.size() + 1);
    const auto first = original_.begin() + static_cast<std::ptrdiff_t>(start);
    const auto last = original_.begin() + static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(
                                              start + step, original_.size()));
    piece.data.assign(first, last);
    piece.dataSize = piece.data.size();
    piece.pieceSum = TestByteSum(piece.data);
    running += piece.pieceIndex * piece.pieceSum;
    piece.runningChecksum = running;
    pieces.push_back(std::move(piece));
  }
  master.version = options.version;
  master.headerSize = current ? kMasterSize : kEarlyMasterSize;
  // What the master's check value holds depends on the version.
  if (options.version == kTestVersion1) master.checksum = TestSampleSum(original_);
  if (options.version == kTestVersion1_2) master.checksum = running;
  master.splitTime = options.splitTime;
  master.earlySplitTime = options.earlySplitTime;
  master.maxPieceDataSize = options.maxPieceDataSize;
  master.fileCount = static_cast<std::uint32_t>(pieces.size() + 1);
  master.originalSize = original_.size();
  master.pathPrefix = options.storedFolder + options.prefixName;
  master.sourcePath = options.sourcePath;
  master.comments = options.comments;
  trailer.headerOffset = static_cast<std::uint32_t>(stub.size());
  trailer.check = trailer.headerOffset + static_cast<std::uint32_t>(kTrailerSize);
}

std::string TestPackage::FileName(std::uint32_t index) const {
  std::string digits = std::to_string(index);
  std::string name = prefixName_;
  if (master.version > kTestVersion2) {
    digits.insert(0, digits.size() < 5 ? 5 - digits.size() : 0, '0');
    name += '_';
  }
  const char* extension = index != 0 ? "fss" : selfExtracting ? "exe" : "fsm";
  return name + digits + "." + extension;
}

ByteString TestPackage::MasterFileBytes() const {
  const ByteString header = master.headerSize == kEarlyMasterSize || !IsCurrentForm(master.version)
                                ? EarlyMasterRecord(master)
                                : CurrentMasterRecord(master);
  if (!selfExtracting) return header;
  ByteString bytes = stub;
  Append(bytes, header);
  Append(bytes, TrailerRecord(trailer));
  return bytes;
}

ByteString TestPackage::PieceFileBytes(std::size_t piece) const {
  ByteString bytes = PieceRecord(pieces.at(piece));
  Append(bytes, pieces[piece].data);
  return bytes;
}

std::vector<std::string> TestPackage::WriteTo(const std::filesystem::path& folder) const {
  std::vector<std::string> paths;
  const auto write = [&](std::uint32_t index, const ByteString& bytes) {
    const std::string path = (folder / FileName(index)).string();
    WriteWholeFile(path, bytes.data(), bytes.size());
    paths.push_back(path);
  };
  write(0, MasterFileBytes());
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    write(static_cast<std::uint32_t>(i + 1), PieceFileBytes(i));
  }
  return paths;
}

void FlipByteAt(const std::string& file, std::uint64_t offset) {
  ByteString bytes = FileBytes(file);
  bytes.at(offset) ^= 0x01;
  WriteWholeFile(file, bytes.data(), bytes.size());
}

void CutFileTo(const std::string& file, std::uint64_t size) {
  std::filesystem::resize_file(file, size);
}

std::filesystem::path SubFolder(const std::filesystem::path& parent, const std::string& name) {
  std::filesystem::create_directories(parent / name);
  return parent / name;
}

std::map<std::string, ByteString> FolderContents(const std::filesystem::path& folder) {
  std::map<std::string, ByteString> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      files[entry.path().lexically_relative(folder).generic_string()] =
          FileBytes(entry.path().string());
    }
  }
  return files;
}
