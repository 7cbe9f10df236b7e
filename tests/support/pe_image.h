#pragma once
// A small but sound Windows program file, made byte by byte: the PE headers, one resource
// section and a version resource holding the given data. Enough for Windows' and our own
// version readers, and to stand for a Windows lite program where there is none.

#include <cstdint>
#include <vector>

#include "platform/version_info.h"

inline constexpr std::uint16_t kPeMachineX64 = 0x8664;
inline constexpr std::uint16_t kPeMachineArm64 = 0xAA64;

std::vector<unsigned char> MakePeImage(const platform::VersionInfo& info,
                                       std::uint16_t machine = kPeMachineX64);

// Where the version data starts in the image, for tests that damage it.
inline constexpr std::size_t kPeVersionDataOffset = 0x258;
