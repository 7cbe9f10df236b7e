#include "platform/elf_version_block.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/bounded_file.h"

namespace platform {
namespace {

constexpr std::uint64_t kElfHeaderSize = 64;
constexpr std::uint64_t kSectionHeaderSize = 64;
// Far above the section table and name table of any program; a larger claim is damage.
constexpr std::uint64_t kLargestTable = 1 << 20;
constexpr std::uint32_t kNoBitsSection = 8;       // SHT_NOBITS: takes no room in the file
constexpr std::uint32_t kUndefinedSection = 0;    // SHN_UNDEF: no name table
constexpr std::uint32_t kExtendedIndex = 0xFFFF;  // SHN_XINDEX: the index sits in section 0

struct Section {
  std::uint32_t name = 0;  // offset into the name table
  std::uint32_t type = 0;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  std::uint32_t link = 0;
};

Section ParseSection(const unsigned char* header) {
  return {Load32(header), Load32(header + 4), Load64(header + 24), Load64(header + 32),
          Load32(header + 40)};
}

bool IsElf64LittleEndian(const Bytes& header) {
  static constexpr unsigned char kMagic[] = {0x7F, 'E', 'L', 'F', 2 /* 64-bit */, 1 /* LSB */};
  return std::memcmp(header.data(), kMagic, sizeof kMagic) == 0;
}

// True when the name table holds exactly `name`, zero-terminated, at `offset`.
bool NameAt(const Bytes& names, std::uint32_t offset, std::string_view name) {
  return offset < names.size() && names.size() - offset > name.size() &&
         std::memcmp(names.data() + offset, name.data(), name.size()) == 0 &&
         names[offset + name.size()] == 0;
}

// A text field ends inside itself; an unterminated one marks a damaged block.
template <std::size_t N>
bool TakeText(const char (&field)[N], std::string& text) {
  const void* end = std::memchr(field, 0, N);
  if (end == nullptr) return false;
  text.assign(field, static_cast<const char*>(end));
  return true;
}

ElfVersionResult ParseBlock(const Bytes& bytes, std::uint64_t sectionSize, VersionInfo& info) {
  VersionBlock block;
  std::memcpy(&block, bytes.data(), sizeof block);
  const unsigned char* raw = bytes.data();
  std::uint32_t blockSize = Load32(raw + offsetof(VersionBlock, blockSize));
  if (std::memcmp(block.magic, kVersionBlockMagic, sizeof block.magic) != 0 ||
      blockSize < sizeof block || blockSize > sectionSize) {
    return ElfVersionResult::damaged;
  }
  VersionInfo read;
  if (Load32(raw + offsetof(VersionBlock, flags)) & kHasFixedVersion) {
    read.fixed = FixedVersion{Load32(raw + offsetof(VersionBlock, productVersionMs)),
                              Load32(raw + offsetof(VersionBlock, productVersionLs)),
                              Load32(raw + offsetof(VersionBlock, fileVersionMs)),
                              Load32(raw + offsetof(VersionBlock, fileVersionLs))};
  }
  bool terminated = TakeText(block.companyName, read.companyName) &&
                    TakeText(block.productName, read.productName) &&
                    TakeText(block.productVersion, read.productVersion) &&
                    TakeText(block.fileDescription, read.fileDescription) &&
                    TakeText(block.fileVersion, read.fileVersion) &&
                    TakeText(block.legalCopyright, read.legalCopyright) &&
                    TakeText(block.specialBuild, read.specialBuild);
  if (!terminated) return ElfVersionResult::damaged;
  info = std::move(read);
  return ElfVersionResult::found;
}

ElfVersionResult ReadBlockSection(const BoundedFile& file, const Section& section,
                                  VersionInfo& info) {
  Bytes bytes;
  if (section.type == kNoBitsSection || section.size < sizeof(VersionBlock) ||
      !file.Contains(section.offset, section.size) ||
      !file.Read(section.offset, sizeof(VersionBlock), bytes)) {
    return ElfVersionResult::damaged;
  }
  return ParseBlock(bytes, section.size, info);
}

}  // namespace

ElfVersionResult ReadElfVersionBlock(std::uint64_t fileSize, const ReadAtFunction& readAt,
                                     VersionInfo& info) {
  BoundedFile file(fileSize, readAt);
  Bytes header;
  if (!file.Read(0, kElfHeaderSize, header) || !IsElf64LittleEndian(header)) {
    return ElfVersionResult::notElf;
  }
  std::uint64_t tableOffset = Load64(&header[0x28]);
  std::uint64_t entrySize = Load16(&header[0x3A]);
  std::uint64_t count = Load16(&header[0x3C]);
  std::uint32_t namesIndex = Load16(&header[0x3E]);
  if (tableOffset == 0) return ElfVersionResult::noBlock;  // no section table at all
  if (entrySize < kSectionHeaderSize) return ElfVersionResult::damaged;

  Bytes table;
  if (count == 0 || namesIndex == kExtendedIndex) {
    // Extended numbering: the real count and name-table index sit in the first header.
    if (!file.Read(tableOffset, entrySize, table)) return ElfVersionResult::damaged;
    Section first = ParseSection(table.data());
    if (count == 0) count = first.size;
    if (namesIndex == kExtendedIndex) namesIndex = first.link;
  }
  if (count == 0 || count > kLargestTable / entrySize ||
      !file.Read(tableOffset, count * entrySize, table)) {
    return ElfVersionResult::damaged;
  }
  if (namesIndex == kUndefinedSection) return ElfVersionResult::noBlock;
  if (namesIndex >= count) return ElfVersionResult::damaged;

  Section nameTable = ParseSection(&table[namesIndex * entrySize]);
  Bytes names;
  if (nameTable.type == kNoBitsSection || nameTable.size > kLargestTable ||
      !file.Read(nameTable.offset, nameTable.size, names)) {
    return ElfVersionResult::damaged;
  }
  for (std::uint64_t i = 0; i < count; ++i) {
    Section section = ParseSection(&table[i * entrySize]);
    if (NameAt(names, section.name, kVersionSectionName)) {
      return ReadBlockSection(file, section, info);
    }
  }
  return ElfVersionResult::noBlock;
}

}  // namespace platform
