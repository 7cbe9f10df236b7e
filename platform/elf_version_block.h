#pragma once
// The version block that stands in for the Windows version resource in an ELF program file: one
// fixed record in a section of its own, found again through the file's section table. Reading it
// is plain byte work, so it is the same code (and is tested) on every platform.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string_view>
#include <type_traits>

#include "platform/bounded_file.h"
#include "platform/version_info.h"

// The section that holds the block (a macro: the section attribute takes a literal).
#define PW_VERSION_SECTION ".partwell_version"

namespace platform {

inline constexpr std::string_view kVersionSectionName = PW_VERSION_SECTION;
inline constexpr char kVersionBlockMagic[8] = {'P', 'W', 'V', 'E', 'R', 'S', '1', '\0'};
inline constexpr std::uint32_t kHasFixedVersion = 1;

// Little-endian integers; UTF-8 texts, each ended by a zero byte inside its field.
struct VersionBlock {
  char magic[8];
  std::uint32_t blockSize;  // sizeof(VersionBlock) when written; later layouts may grow
  std::uint32_t flags;      // kHasFixedVersion when the fixed part below is valid
  std::uint32_t productVersionMs;
  std::uint32_t productVersionLs;
  std::uint32_t fileVersionMs;
  std::uint32_t fileVersionLs;
  char companyName[64];
  char productName[64];
  char productVersion[32];
  char fileDescription[128];
  char fileVersion[32];
  char legalCopyright[128];
  char specialBuild[64];
};
static_assert(sizeof(VersionBlock) == 544 && std::is_trivially_copyable_v<VersionBlock>);

namespace version_block_detail {
template <std::size_t N>
constexpr void CopyText(char (&field)[N], std::string_view text) {
  if (text.size() >= N) throw std::length_error("version text does not fit its field");
  for (std::size_t i = 0; i < text.size(); ++i) field[i] = text[i];
}
}  // namespace version_block_detail

// A block holding `info`; evaluated at compile time for the programs' own blocks, where a text
// too long for its field stops the build.
constexpr VersionBlock MakeVersionBlock(const VersionInfo& info) {
  using version_block_detail::CopyText;
  VersionBlock block{};
  for (std::size_t i = 0; i < sizeof block.magic; ++i) block.magic[i] = kVersionBlockMagic[i];
  block.blockSize = sizeof(VersionBlock);
  if (info.fixed) {
    block.flags = kHasFixedVersion;
    block.productVersionMs = info.fixed->productVersionMs;
    block.productVersionLs = info.fixed->productVersionLs;
    block.fileVersionMs = info.fixed->fileVersionMs;
    block.fileVersionLs = info.fixed->fileVersionLs;
  }
  CopyText(block.companyName, info.companyName);
  CopyText(block.productName, info.productName);
  CopyText(block.productVersion, info.productVersion);
  CopyText(block.fileDescription, info.fileDescription);
  CopyText(block.fileVersion, info.fileVersion);
  CopyText(block.legalCopyright, info.legalCopyright);
  CopyText(block.specialBuild, info.specialBuild);
  return block;
}

enum class ElfVersionResult {
  found,
  notElf,   // not a 64-bit little-endian ELF file
  damaged,  // a size or offset points outside the file, or the block itself is malformed
  noBlock,  // a sound ELF file without the version section
};

// Finds and reads the version block of an ELF file of `fileSize` bytes. Every offset and size the
// file states is checked against the file before anything is read.
ElfVersionResult ReadElfVersionBlock(std::uint64_t fileSize, const ReadAtFunction& readAt,
                                     VersionInfo& info);

}  // namespace platform
