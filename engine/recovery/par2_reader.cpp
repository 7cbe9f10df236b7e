#include "engine/recovery/par2_reader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <utility>
#include <vector>

#include "base/exceptions.h"
#include "base/path_text.h"
#include "engine/disk_space.h"
#include "engine/file64.h"
#include "engine/recovery/md5.h"
#include "engine/recovery/par2_packet_types.h"
#include "platform/files.h"
#include "platform/plain_text.h"

namespace {

// Packets other than recovery slices are read whole into memory up to this size; larger ones
// are only stepped over when their MD5 holds.
constexpr std::uint64_t kMaxPacketInMemory = 64ull << 20;
// The run read at once while looking for a packet or hashing a large one.
constexpr std::size_t kChunkSize = 1u << 20;
constexpr std::size_t kMainFixedSize = 12;
constexpr std::size_t kFileDescriptionFixedSize = 56;
constexpr std::size_t kSliceCheckSize = 20;
// Recovery packets whose MD5s are taken side by side, those of several files together, and the
// run read of each at once: runs this long keep a disk reading long stretches between the
// packets' places.
constexpr std::size_t kPacketsHashedTogether = 16;
constexpr std::size_t kRunPerPacket = 1u << 20;
// The files whose recovery packets are hashed together, open at once.
constexpr std::size_t kFilesScannedTogether = 16;

template <typename T>
T Little(std::span<const std::uint8_t> bytes, std::size_t at) {
  T value = 0;
  for (std::size_t i = sizeof(T); i-- > 0;) value = static_cast<T>(value << 8 | bytes[at + i]);
  return value;
}

template <typename A>
A ArrayAt(std::span<const std::uint8_t> bytes, std::size_t at) {
  A out{};
  std::memcpy(out.data(), bytes.data() + at, out.size());
  return out;
}

// Where packets are read from, a file or bytes in memory: Size(), and ReadAt(offset, buffer,
// size) that gives exactly `size` bytes or false when they are not all there.
class BytesSource {
 public:
  explicit BytesSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const { return bytes_.size(); }
  bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) {
    if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
    if (size > 0) std::memcpy(buffer, bytes_.data() + offset, size);
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

// Reads without a seek when the reads follow each other, as they do through whole packets.
class FileSource {
 public:
  // Raises the file errors.
  explicit FileSource(const std::string& path) {
    file_.Open(path, false);
    size_ = file_.Length();
  }
  std::uint64_t Size() const { return size_; }
  bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) {
    if (offset != position_) position_ = file_.SeekToBegin(offset);
    while (size > 0) {
      const auto ask = static_cast<std::uint32_t>(std::min<std::size_t>(size, kChunkSize));
      const std::uint32_t read = file_.Read(buffer, ask);
      position_ += read;
      if (read != ask) return false;
      buffer += read;
      size -= read;
    }
    return true;
  }

 private:
  CFile64 file_;
  std::uint64_t size_ = 0;
  std::uint64_t position_ = 0;
};

struct MainPacket {
  std::uint64_t sliceSize = 0;
  std::vector<Par2Id> fileIds;
  std::vector<Par2Id> nonRecoveryFileIds;
};

// The valid packets of one set, gathered from every file in the order they were found.
struct SetPackets {
  std::optional<MainPacket> main;
  std::map<Par2Id, Par2File> descriptions;
  // Each distinct checksum list found for a file: which fits is known once its length is.
  std::map<Par2Id, std::vector<std::vector<Par2SliceCheck>>> checksums;
  // The first of each exponent and data length: which length is right the Main packet says.
  std::map<std::pair<std::uint32_t, std::uint64_t>, Par2RecoverySlice> recovery;
};

using SetMap = std::map<Par2Id, SetPackets>;

std::optional<MainPacket> ParseMain(const Par2Id& setId, std::span<const std::uint8_t> body) {
  if (body.size() < kMainFixedSize || (body.size() - kMainFixedSize) % 16 != 0) return {};
  if (Md5Of(body.data(), body.size()) != setId) return {};
  MainPacket main;
  main.sliceSize = Little<std::uint64_t>(body, 0);
  const std::uint32_t count = Little<std::uint32_t>(body, 8);
  const std::size_t ids = (body.size() - kMainFixedSize) / 16;
  if (main.sliceSize == 0 || main.sliceSize % 4 != 0 || main.sliceSize > kPar2MaxSliceSize ||
      count > ids) {
    return {};
  }
  std::set<Par2Id> seen;
  for (std::size_t i = 0; i < ids; ++i) {
    const auto id = ArrayAt<Par2Id>(body, kMainFixedSize + 16 * i);
    // One file listed twice would be rebuilt twice into one place.
    if (!seen.insert(id).second) return {};
    (i < count ? main.fileIds : main.nonRecoveryFileIds).push_back(id);
  }
  return main;
}

std::optional<Par2File> ParseFileDescription(std::span<const std::uint8_t> body) {
  if (body.size() < kFileDescriptionFixedSize) return {};
  Par2File file;
  file.id = ArrayAt<Par2Id>(body, 0);
  file.hash = ArrayAt<Md5Digest>(body, 16);
  file.hash16k = ArrayAt<Md5Digest>(body, 32);
  file.length = Little<std::uint64_t>(body, 48);
  std::size_t end = body.size();
  while (end > kFileDescriptionFixedSize && body[end - 1] == 0) --end;
  file.name.assign(reinterpret_cast<const char*>(body.data()) + kFileDescriptionFixedSize,
                   end - kFileDescriptionFixedSize);
  if (file.name.empty() || Par2FileId(file.hash16k, file.length, file.name) != file.id) return {};
  return file;
}

void AddSliceChecksums(SetPackets& packets, std::span<const std::uint8_t> body) {
  if (body.size() < 16 || (body.size() - 16) % kSliceCheckSize != 0) return;
  std::vector<Par2SliceCheck> slices((body.size() - 16) / kSliceCheckSize);
  for (std::size_t i = 0; i < slices.size(); ++i) {
    const std::size_t at = 16 + kSliceCheckSize * i;
    slices[i] = {ArrayAt<Md5Digest>(body, at), Little<std::uint32_t>(body, at + 16)};
  }
  auto& found = packets.checksums[ArrayAt<Par2Id>(body, 0)];
  if (std::ranges::find(found, slices) == found.end()) found.push_back(std::move(slices));
}

void AddPacket(SetMap& sets, const Par2Id& setId, const Par2PacketType& type,
               std::span<const std::uint8_t> body) {
  if (type == kPar2MainType) {
    if (std::optional<MainPacket> main = ParseMain(setId, body)) sets[setId].main = std::move(main);
  } else if (type == kPar2FileDescriptionType) {
    if (std::optional<Par2File> file = ParseFileDescription(body)) {
      sets[setId].descriptions.try_emplace(file->id, std::move(*file));
    }
  } else if (type == kPar2SliceChecksumType) {
    AddSliceChecksums(sets[setId], body);
  }
}

struct Header {
  std::uint64_t length = 0;
  Md5Digest hash{};
  Par2Id setId{};
  Par2PacketType type{};
};

template <typename Source>
class PacketScanner {
 public:
  PacketScanner(Source& source, std::string path, SetMap& sets)
      : source_(source),
        path_(std::move(path)),
        sets_(sets),
        chunk_(std::max<std::uint64_t>(std::min<std::uint64_t>(kChunkSize, source.Size()),
                                       kPar2HeaderSize)) {}

  // Reads every packet but the recovery packets, which wait for CheckWaitingPackets.
  void Scan() { ScanFrom(0); }

  // A packet that failed its MD5 may hide others: the bytes after its start are read again,
  // each packet among them checked on its own.
  void ScanAfterFailure(std::uint64_t failed) {
    checkAloneBefore_ = UINT64_MAX;
    ScanFrom(failed + 1);
  }

  // A recovery packet whose MD5 is still to be taken.
  struct WaitingPacket {
    std::uint64_t start;
    Header header;
    Par2RecoverySlice slice;
  };

  std::vector<WaitingPacket>& Waiting() { return waiting_; }
  Source& From() { return source_; }
  void Keep(const Header& header, Par2RecoverySlice slice) {
    const std::uint64_t dataLength = header.length - kPar2RecoveryPrefixSize;
    sets_[header.setId].recovery.try_emplace({slice.exponent, dataLength}, std::move(slice));
  }

 private:
  // The next place at or after `from` where a header begins.
  std::optional<std::uint64_t> FindMagic(std::uint64_t from) {
    const std::uint64_t size = source_.Size();
    // Packets usually follow each other: a header's worth is read first, more while none is
    // found.
    for (std::size_t ask = kPar2HeaderSize; from < size && size - from >= kPar2HeaderSize;
         ask = std::min(2 * ask, chunk_.size())) {
      const auto run = static_cast<std::size_t>(std::min<std::uint64_t>(ask, size - from));
      if (!source_.ReadAt(from, chunk_.data(), run)) return {};
      const auto end = chunk_.begin() + static_cast<std::ptrdiff_t>(run);
      const auto found = std::search(chunk_.begin(), end, kPar2Magic.begin(), kPar2Magic.end());
      if (found != end) return from + static_cast<std::uint64_t>(found - chunk_.begin());
      // The magic may straddle the end of this run.
      from += run - (kPar2Magic.size() - 1);
    }
    return {};
  }

  void ScanFrom(std::uint64_t at) {
    while (const std::optional<std::uint64_t> start = FindMagic(at)) at = ReadPacket(*start);
  }

  std::optional<Header> ReadHeader(std::uint64_t start) {
    std::array<std::uint8_t, kPar2HeaderSize> bytes;
    if (!source_.ReadAt(start, bytes.data(), bytes.size())) return {};
    Header header;
    header.length = Little<std::uint64_t>(bytes, 8);
    header.hash = ArrayAt<Md5Digest>(bytes, 16);
    header.setId = ArrayAt<Par2Id>(bytes, 32);
    header.type = ArrayAt<Par2PacketType>(bytes, 48);
    if (header.length < kPar2HeaderSize || header.length % 4 != 0 ||
        header.length > source_.Size() - start) {
      return {};
    }
    return header;
  }

  // Where to look next: after the packet when it is whole, else at the next byte.
  std::uint64_t ReadPacket(std::uint64_t start) {
    const std::optional<Header> header = ReadHeader(start);
    if (!header) return start + 1;
    const std::uint64_t end = start + header->length;
    if (header->type == kPar2RecoveryType) {
      return ReadRecoverySlice(start, *header) ? end : start + 1;
    }
    const bool known = header->type == kPar2MainType || header->type == kPar2FileDescriptionType ||
                       header->type == kPar2SliceChecksumType || header->type == kPar2CreatorType;
    if (!known || header->length > kMaxPacketInMemory) {
      return HashMatches(start, *header) ? end : start + 1;
    }
    std::vector<std::uint8_t> packet(header->length);
    if (!source_.ReadAt(start, packet.data(), packet.size())) return start + 1;
    if (Md5Of(packet.data() + kPar2HashedFrom, packet.size() - kPar2HashedFrom) != header->hash) {
      return start + 1;
    }
    AddPacket(sets_, header->setId, header->type,
              std::span<const std::uint8_t>(packet).subspan(kPar2HeaderSize));
    return end;
  }

  bool ReadRecoverySlice(std::uint64_t start, const Header& header) {
    if (header.length <= kPar2RecoveryPrefixSize) return false;
    const std::uint64_t dataLength = header.length - kPar2RecoveryPrefixSize;
    std::array<std::uint8_t, 4> exponent{};
    if (dataLength > kPar2MaxSliceSize ||
        !source_.ReadAt(start + kPar2HeaderSize, exponent.data(), exponent.size())) {
      return false;
    }
    Par2RecoverySlice slice{path_, start + kPar2RecoveryPrefixSize,
                            Little<std::uint32_t>(exponent, 0)};
    if (start >= checkAloneBefore_) {
      waiting_.push_back({start, header, std::move(slice)});
      return true;
    }
    if (!HashMatches(start, header)) return false;
    Keep(header, std::move(slice));
    return true;
  }

  // The packet's MD5, taken in bounded runs however long it is.
  bool HashMatches(std::uint64_t start, const Header& header) {
    Md5 hash;
    for (std::uint64_t at = start + kPar2HashedFrom; at < start + header.length;) {
      const auto run = static_cast<std::size_t>(
          std::min<std::uint64_t>(chunk_.size(), start + header.length - at));
      if (!source_.ReadAt(at, chunk_.data(), run)) return false;
      hash.Update(chunk_.data(), run);
      at += run;
    }
    return hash.Finish() == header.hash;
  }

  Source& source_;
  std::string path_;
  SetMap& sets_;
  std::vector<std::uint8_t> chunk_;
  std::vector<WaitingPacket> waiting_;  // in the order found
  // Recovery packets that start before this are checked one by one, as they are found.
  std::uint64_t checkAloneBefore_ = 0;
};

// Takes the MD5s of the recovery packets waiting in every scanner's file, side by side, and keeps
// those that match; a file with one that does not is read again after it. A file that fails
// while it is read keeps what was found before, and its error.
template <typename Source>
void CheckWaitingPackets(std::vector<PacketScanner<Source>*>& scanners,
                         std::vector<std::string>& readErrors) {
  struct Packet {
    PacketScanner<Source>* scanner;
    typename PacketScanner<Source>::WaitingPacket* waiting;
    Md5 hash;
    std::uint64_t left;
    bool readable = true;
  };
  std::vector<Packet> packets;
  for (PacketScanner<Source>* scanner : scanners) {
    for (auto& waiting : scanner->Waiting()) {
      packets.push_back({scanner, &waiting, {}, waiting.header.length - kPar2HashedFrom});
    }
  }
  std::map<PacketScanner<Source>*, std::uint64_t> failedAt;  // the first start that failed
  std::vector<std::uint8_t> runs(std::min(packets.size(), kPacketsHashedTogether) * kRunPerPacket);
  std::vector<Md5*> digests;
  std::vector<const std::uint8_t*> data;
  for (std::size_t first = 0; first < packets.size(); first += kPacketsHashedTogether) {
    const std::span<Packet> group =
        std::span(packets).subspan(first, std::min(kPacketsHashedTogether, packets.size() - first));
    for (;;) {
      std::uint64_t run = kRunPerPacket;
      for (const Packet& packet : group) {
        if (packet.readable && packet.left > 0) run = std::min(run, packet.left);
      }
      digests.clear();
      data.clear();
      for (std::size_t i = 0; i < group.size(); ++i) {
        Packet& packet = group[i];
        if (!packet.readable || packet.left == 0) continue;
        std::uint8_t* const buffer = runs.data() + i * kRunPerPacket;
        const std::uint64_t at =
            packet.waiting->start + packet.waiting->header.length - packet.left;
        try {
          packet.readable = packet.scanner->From().ReadAt(at, buffer, run);
        } catch (const CFileException& error) {
          packet.readable = false;
          readErrors.push_back(ReasonOf(error));
        }
        if (!packet.readable) continue;
        digests.push_back(&packet.hash);
        data.push_back(buffer);
        packet.left -= run;
      }
      if (digests.empty()) break;
      Md5::UpdateMany(digests, data, run);
    }
    for (Packet& packet : group) {
      if (packet.readable && packet.hash.Finish() == packet.waiting->header.hash) {
        packet.scanner->Keep(packet.waiting->header, std::move(packet.waiting->slice));
      } else {
        failedAt.try_emplace(packet.scanner, packet.waiting->start);  // in the order found
      }
    }
  }
  for (PacketScanner<Source>* scanner : scanners) scanner->Waiting().clear();
  for (const auto& [scanner, failed] : failedAt) {
    try {
      scanner->ScanAfterFailure(failed);
    } catch (const CFileException& error) {
      readErrors.push_back(ReasonOf(error));
    }
  }
}

// The checksums of a file of this length, if one of those found fits it.
std::vector<Par2SliceCheck> ChecksumsFor(const SetPackets& packets, const Par2Id& id,
                                         std::uint64_t count) {
  const auto found = packets.checksums.find(id);
  if (found == packets.checksums.end()) return {};
  for (const std::vector<Par2SliceCheck>& slices : found->second) {
    if (slices.size() == count) return slices;
  }
  return {};
}

std::optional<Par2FoundSet> AssembleSet(const Par2Id& setId, const SetPackets& packets) {
  if (!packets.main) return {};
  Par2FoundSet found;
  found.set.setId = setId;
  found.set.sliceSize = packets.main->sliceSize;
  found.set.nonRecoveryFileIds = packets.main->nonRecoveryFileIds;
  std::uint64_t totalSlices = 0;
  for (const Par2Id& id : packets.main->fileIds) {
    const auto description = packets.descriptions.find(id);
    if (description == packets.descriptions.end()) return {};
    Par2File file = description->second;
    const std::uint64_t count = Par2SliceCount(file.length, found.set.sliceSize);
    if (count > kPar2MaxSlices - totalSlices) return {};
    totalSlices += count;
    file.slices = ChecksumsFor(packets, id, count);
    found.set.files.push_back(std::move(file));
  }
  // By exponent, one of each: the data length is part of the key.
  for (const auto& [key, slice] : packets.recovery) {
    if (key.second == found.set.sliceSize) found.recovery.push_back(slice);
  }
  return found;
}

std::vector<Par2FoundSet> AssembleSets(const SetMap& sets) {
  std::vector<Par2FoundSet> found;
  for (const auto& [setId, packets] : sets) {
    if (std::optional<Par2FoundSet> set = AssembleSet(setId, packets)) {
      found.push_back(std::move(*set));
    }
  }
  return found;
}

constexpr char kNativeSeparator =
    platform::kNativePathStyle == platform::PathStyle::windows ? '\\' : '/';

bool IsSeparator(char c) {
  return c == '/' || (platform::kNativePathStyle == platform::PathStyle::windows && c == '\\');
}

std::string JoinFolder(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (!path.empty() && !IsSeparator(path.back())) path += kNativeSeparator;
  path += name;
  return path;
}

}  // namespace

bool IsPar2FileName(std::string_view name) {
  constexpr std::string_view kExtension = ".par2";
  return name.size() > kExtension.size() && platform::EndsIgnoringCase(name, kExtension);
}

std::vector<std::string> Par2FilesIn(const std::string& folder) {
  std::vector<std::string> names = platform::FileNamesStartingWith(folder, "");
  std::erase_if(names, [&](const std::string& name) {
    return !IsPar2FileName(name) ||
           platform::QueryPathKind(JoinFolder(folder, name)) != platform::PathKind::File;
  });
  std::ranges::sort(names);
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back(JoinFolder(folder, name));
  return paths;
}

std::vector<Par2FoundSet> ReadPar2Sets(const std::vector<std::string>& paths) {
  SetMap sets;
  std::vector<std::string> readErrors;
  // What was found in a file before it failed is kept.
  const auto readingFile = [&readErrors](const auto& read) {
    try {
      read();
    } catch (const CFileException& error) {
      readErrors.push_back(ReasonOf(error));
    }
  };
  for (std::size_t first = 0; first < paths.size(); first += kFilesScannedTogether) {
    std::vector<std::unique_ptr<FileSource>> sources;
    std::vector<std::unique_ptr<PacketScanner<FileSource>>> scanners;
    for (std::size_t i = first; i < std::min(paths.size(), first + kFilesScannedTogether); ++i) {
      readingFile([&] {
        auto source = std::make_unique<FileSource>(paths[i]);
        auto scanner = std::make_unique<PacketScanner<FileSource>>(*source, paths[i], sets);
        sources.push_back(std::move(source));
        scanners.push_back(std::move(scanner));
        scanners.back()->Scan();
      });
    }
    std::vector<PacketScanner<FileSource>*> scanning;
    for (const auto& scanner : scanners) scanning.push_back(scanner.get());
    readingFile([&] { CheckWaitingPackets(scanning, readErrors); });
  }
  std::vector<Par2FoundSet> found = AssembleSets(sets);
  for (Par2FoundSet& set : found) set.readErrors = readErrors;
  return found;
}

std::vector<Par2FoundSet> ReadPar2Bytes(std::span<const std::uint8_t> bytes) {
  SetMap sets;
  BytesSource source(bytes);
  PacketScanner scanner(source, {}, sets);
  scanner.Scan();
  std::vector<PacketScanner<BytesSource>*> scanning{&scanner};
  std::vector<std::string> readErrors;
  CheckWaitingPackets(scanning, readErrors);
  return AssembleSets(sets);
}

std::optional<std::string> Par2FilePath(const std::string& folder, std::string_view storedName) {
  // "C:name" names a place on a drive on Windows, whatever the system reading it.
  if (storedName.size() >= 2 && std::isalpha(static_cast<unsigned char>(storedName[0])) &&
      storedName[1] == ':') {
    return {};
  }
  std::string relative;
  for (std::size_t at = 0;;) {
    const std::size_t end = std::min(storedName.find_first_of("/\\", at), storedName.size());
    const std::string_view part = storedName.substr(at, end - at);
    if (part.empty() || part == "." || part == ".." || !IsValidFileName(part)) return {};
    if (!relative.empty()) relative += kNativeSeparator;
    relative += part;
    if (end == storedName.size()) break;
    at = end + 1;
  }
  return JoinFolder(folder, relative);
}
