#pragma once
// The packets of a PAR2 2.0 recovery set, as every PAR2 tool writes and reads them: a 64-byte
// header (magic, length, MD5 of the rest, set id, type) and a little-endian body whose length
// is a multiple of 4. The set protects a list of files cut into slices of one size; the last
// slice of a file counts as padded with zeros.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/recovery/md5.h"

using Par2Id = std::array<std::uint8_t, 16>;

inline constexpr std::size_t kPar2HeaderSize = 64;
// A recovery slice packet's header and exponent, before its data.
inline constexpr std::size_t kPar2RecoveryPrefixSize = kPar2HeaderSize + 4;
// Larger slices are refused on reading; the writer keeps well below.
inline constexpr std::uint64_t kPar2MaxSliceSize = 1ull << 30;
inline constexpr std::uint32_t kPar2MaxSlices = 32768;

struct Par2SliceCheck {
  Md5Digest md5;        // of the slice, padded with zeros to the slice size
  std::uint32_t crc32;  // likewise
  friend bool operator==(const Par2SliceCheck&, const Par2SliceCheck&) = default;
};

// One protected file, as its File Description and Input File Slice Checksum packets hold it.
struct Par2File {
  Par2Id id{};
  Md5Digest hash{};     // of the whole file
  Md5Digest hash16k{};  // of its first 16 KiB (all of it when shorter)
  std::uint64_t length = 0;
  std::string name;  // as stored: a name relative to the set's folder, '/' between folders
  std::vector<Par2SliceCheck> slices;  // empty when its checksum packet was not found
  friend bool operator==(const Par2File&, const Par2File&) = default;
};

// The recovery set as the Main packet fixes it.
struct Par2Set {
  Par2Id setId{};  // the MD5 of the Main packet's body
  std::uint64_t sliceSize = 0;
  std::vector<Par2File> files;  // in the Main packet's order, which orders the input slices
  std::vector<Par2Id> nonRecoveryFileIds;  // read, never written by us
};

// The slices of a file of `length` bytes.
std::uint64_t Par2SliceCount(std::uint64_t length, std::uint64_t sliceSize);

// The File ID: the MD5 of the 16 KiB hash, the length and the name.
Par2Id Par2FileId(const Md5Digest& hash16k, std::uint64_t length, std::string_view name);
// Puts the files in the order of the Main packet (by File ID, as PAR2 tools compare them) and
// sets the set id; ids and slice size must be filled in.
void FinishPar2Set(Par2Set& set);

// Whole packets, header included.
std::vector<std::uint8_t> EncodeMainPacket(const Par2Set& set);
std::vector<std::uint8_t> EncodeFileDescriptionPacket(const Par2Set& set, const Par2File& file);
std::vector<std::uint8_t> EncodeSliceChecksumPacket(const Par2Set& set, const Par2File& file);
std::vector<std::uint8_t> EncodeCreatorPacket(const Par2Set& set, std::string_view creator);
// The header and exponent of a recovery slice packet whose data (sliceSize bytes) follows.
std::array<std::uint8_t, kPar2RecoveryPrefixSize> EncodeRecoveryPacketPrefix(
    const Par2Set& set, std::uint32_t exponent, std::span<const std::byte> data);
