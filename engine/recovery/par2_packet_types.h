#pragma once
// The signature that begins every PAR2 packet and the types of the packets of a recovery set,
// shared by the writer and the reader.

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::array<std::uint8_t, 8> kPar2Magic = {'P', 'A', 'R', '2', 0, 'P', 'K', 'T'};

using Par2PacketType = std::array<std::uint8_t, 16>;

constexpr Par2PacketType Par2TypeOf(const char (&text)[17]) {
  Par2PacketType type{};
  for (std::size_t i = 0; i < 16; ++i) type[i] = static_cast<std::uint8_t>(text[i]);
  return type;
}

inline constexpr Par2PacketType kPar2MainType = Par2TypeOf("PAR 2.0\0Main\0\0\0\0");
inline constexpr Par2PacketType kPar2FileDescriptionType = Par2TypeOf("PAR 2.0\0FileDesc");
inline constexpr Par2PacketType kPar2SliceChecksumType = Par2TypeOf("PAR 2.0\0IFSC\0\0\0\0");
inline constexpr Par2PacketType kPar2RecoveryType = Par2TypeOf("PAR 2.0\0RecvSlic");
inline constexpr Par2PacketType kPar2CreatorType = Par2TypeOf("PAR 2.0\0Creator\0");

// The packet MD5 covers everything from the set id on.
inline constexpr std::size_t kPar2HashedFrom = 32;
