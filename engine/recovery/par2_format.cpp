#include "engine/recovery/par2_format.h"

#include <algorithm>
#include <cstring>

#include "engine/recovery/par2_packet_types.h"

namespace {

void Append(std::vector<std::uint8_t>& out, const void* data, std::size_t size) {
  if (size == 0) return;
  const std::size_t at = out.size();
  out.resize(at + size);
  std::memcpy(out.data() + at, data, size);
}

template <typename T>
void AppendLittle(std::vector<std::uint8_t>& out, T value) {
  for (std::size_t i = 0; i < sizeof(T); ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Text fields end on a four-byte boundary, padded with zeros.
void AppendPadded(std::vector<std::uint8_t>& out, std::string_view text) {
  Append(out, text.data(), text.size());
  out.resize(out.size() + (4 - text.size() % 4) % 4, 0);
}

// The header of a packet of `length` bytes, its MD5 left zero until the packet is whole.
std::vector<std::uint8_t> HeaderOf(const Par2Id& setId, const Par2PacketType& type,
                                   std::uint64_t length) {
  std::vector<std::uint8_t> header;
  Append(header, kPar2Magic.data(), kPar2Magic.size());
  AppendLittle<std::uint64_t>(header, length);
  header.resize(header.size() + 16, 0);
  Append(header, setId.data(), setId.size());
  Append(header, type.data(), type.size());
  return header;
}

void PutHash(std::vector<std::uint8_t>& packet, const Md5Digest& hash) {
  std::copy(hash.begin(), hash.end(), packet.begin() + 16);
}

std::vector<std::uint8_t> Packet(const Par2Id& setId, const Par2PacketType& type,
                                 const std::vector<std::uint8_t>& body) {
  std::vector<std::uint8_t> packet = HeaderOf(setId, type, kPar2HeaderSize + body.size());
  Append(packet, body.data(), body.size());
  PutHash(packet, Md5Of(packet.data() + kPar2HashedFrom, packet.size() - kPar2HashedFrom));
  return packet;
}

std::vector<std::uint8_t> MainBody(const Par2Set& set) {
  std::vector<std::uint8_t> body;
  AppendLittle<std::uint64_t>(body, set.sliceSize);
  AppendLittle<std::uint32_t>(body, static_cast<std::uint32_t>(set.files.size()));
  for (const Par2File& file : set.files) Append(body, file.id.data(), file.id.size());
  for (const Par2Id& id : set.nonRecoveryFileIds) Append(body, id.data(), id.size());
  return body;
}

// PAR2 tools order File IDs as 128-bit numbers stored with their least significant byte first.
bool IdBefore(const Par2Id& a, const Par2Id& b) {
  return std::lexicographical_compare(a.rbegin(), a.rend(), b.rbegin(), b.rend());
}

}  // namespace

std::uint64_t Par2SliceCount(std::uint64_t length, std::uint64_t sliceSize) {
  return sliceSize == 0 ? 0 : (length + sliceSize - 1) / sliceSize;
}

Par2Id Par2FileId(const Md5Digest& hash16k, std::uint64_t length, std::string_view name) {
  std::vector<std::uint8_t> input;
  Append(input, hash16k.data(), hash16k.size());
  AppendLittle<std::uint64_t>(input, length);
  Append(input, name.data(), name.size());
  return Md5Of(input.data(), input.size());
}

void FinishPar2Set(Par2Set& set) {
  std::ranges::sort(set.files,
                    [](const Par2File& a, const Par2File& b) { return IdBefore(a.id, b.id); });
  std::ranges::sort(set.nonRecoveryFileIds, IdBefore);
  const std::vector<std::uint8_t> body = MainBody(set);
  set.setId = Md5Of(body.data(), body.size());
}

std::vector<std::uint8_t> EncodeMainPacket(const Par2Set& set) {
  return Packet(set.setId, kPar2MainType, MainBody(set));
}

std::vector<std::uint8_t> EncodeFileDescriptionPacket(const Par2Set& set, const Par2File& file) {
  std::vector<std::uint8_t> body;
  Append(body, file.id.data(), file.id.size());
  Append(body, file.hash.data(), file.hash.size());
  Append(body, file.hash16k.data(), file.hash16k.size());
  AppendLittle<std::uint64_t>(body, file.length);
  AppendPadded(body, file.name);
  return Packet(set.setId, kPar2FileDescriptionType, body);
}

std::vector<std::uint8_t> EncodeSliceChecksumPacket(const Par2Set& set, const Par2File& file) {
  std::vector<std::uint8_t> body;
  Append(body, file.id.data(), file.id.size());
  for (const Par2SliceCheck& slice : file.slices) {
    Append(body, slice.md5.data(), slice.md5.size());
    AppendLittle<std::uint32_t>(body, slice.crc32);
  }
  return Packet(set.setId, kPar2SliceChecksumType, body);
}

std::vector<std::uint8_t> EncodeCreatorPacket(const Par2Set& set, std::string_view creator) {
  std::vector<std::uint8_t> body;
  AppendPadded(body, creator);
  return Packet(set.setId, kPar2CreatorType, body);
}

std::array<std::uint8_t, kPar2RecoveryPrefixSize> EncodeRecoveryPacketPrefix(
    const Par2Set& set, std::uint32_t exponent, std::span<const std::byte> data) {
  std::vector<std::uint8_t> prefix =
      HeaderOf(set.setId, kPar2RecoveryType, kPar2RecoveryPrefixSize + data.size());
  AppendLittle<std::uint32_t>(prefix, exponent);
  Md5 hash;
  hash.Update(prefix.data() + kPar2HashedFrom, prefix.size() - kPar2HashedFrom);
  hash.Update(data.data(), data.size());
  PutHash(prefix, hash.Finish());
  std::array<std::uint8_t, kPar2RecoveryPrefixSize> out{};
  std::copy(prefix.begin(), prefix.end(), out.begin());
  return out;
}
