#include "platform/pe_version_resource.h"

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/plain_text.h"
#include "platform/unicode.h"

namespace platform {
namespace {

constexpr std::uint32_t kVersionResourceType = 16;  // RT_VERSION
constexpr std::uint32_t kSubdirectoryBit = 0x80000000;
constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::size_t kFixedPartSize = 52;
constexpr std::size_t kSectionHeaderSize = 40;
// Far above the resource data of any lite program; a larger claim is damage.
constexpr std::uint64_t kLargestResourceData = 1 << 24;
constexpr std::uint64_t kLargestVersionData = 1 << 16;

struct Section {
  std::uint32_t virtualAddress = 0;
  std::uint32_t virtualSize = 0;
  std::uint32_t rawSize = 0;
  std::uint32_t rawOffset = 0;
};

// The loaded image's addresses mapped back to the file through the section table.
class Image {
 public:
  explicit Image(const BoundedFile& file) : file_(file) {}

  PeVersionResult ReadHeaders(std::uint32_t& resourceAddress, std::uint32_t& resourceSize);
  bool Read(std::uint32_t address, std::uint64_t size, Bytes& bytes) const;

 private:
  const BoundedFile& file_;
  std::vector<Section> sections_;
};

PeVersionResult Image::ReadHeaders(std::uint32_t& resourceAddress, std::uint32_t& resourceSize) {
  Bytes dos;
  if (!file_.Read(0, 64, dos) || dos[0] != 'M' || dos[1] != 'Z') return PeVersionResult::notPe;
  const std::uint64_t peOffset = Load32(&dos[0x3C]);
  Bytes coff;
  constexpr unsigned char kSignature[] = {'P', 'E', 0, 0};
  if (!file_.Read(peOffset, 24, coff) || std::memcmp(coff.data(), kSignature, 4) != 0) {
    return PeVersionResult::notPe;
  }
  const std::uint16_t sectionCount = Load16(&coff[6]);
  const std::uint16_t optionalSize = Load16(&coff[20]);
  Bytes optional;
  if (!file_.Read(peOffset + 24, optionalSize, optional) || optionalSize < 2) {
    return PeVersionResult::damaged;
  }
  // PE32+ keeps its data directories 16 bytes further on than PE32.
  const std::size_t directories = Load16(&optional[0]) == 0x20B ? 112 : 96;
  const std::size_t resourceEntry = directories + 2 * 8;
  if (optional.size() < resourceEntry + 8 ||
      Load32(&optional[directories - 4]) <= 2) {  // fewer directories than the resource one
    return PeVersionResult::noResource;
  }
  resourceAddress = Load32(&optional[resourceEntry]);
  resourceSize = Load32(&optional[resourceEntry + 4]);
  Bytes table;
  if (!file_.Read(peOffset + 24 + optionalSize, sectionCount * kSectionHeaderSize, table)) {
    return PeVersionResult::damaged;
  }
  for (std::size_t i = 0; i < sectionCount; ++i) {
    const unsigned char* header = &table[i * kSectionHeaderSize];
    sections_.push_back(
        {Load32(header + 12), Load32(header + 8), Load32(header + 16), Load32(header + 20)});
  }
  return resourceAddress == 0 || resourceSize == 0 ? PeVersionResult::noResource
                                                   : PeVersionResult::found;
}

bool Image::Read(std::uint32_t address, std::uint64_t size, Bytes& bytes) const {
  for (const Section& section : sections_) {
    const std::uint64_t start = section.virtualAddress;
    if (address < start || address - start >= section.rawSize) continue;
    const std::uint64_t within = address - start;
    return size <= section.rawSize - within && file_.Read(section.rawOffset + within, size, bytes);
  }
  return false;
}

// The resource tree as stored: directories of entries, each leading to a directory or to data.
class ResourceTree {
 public:
  explicit ResourceTree(const Bytes& data) : data_(data) {}

  // The entry of the directory at `offset` with the given id, or its first entry when `id` is
  // empty; its target's offset with the subdirectory bit, or nothing.
  std::optional<std::uint32_t> Entry(std::uint32_t offset, std::optional<std::uint32_t> id) const {
    if (!Holds(offset, 16)) return std::nullopt;
    const std::uint32_t named = Load16(&data_[offset + 12]);
    const std::uint32_t numbered = Load16(&data_[offset + 14]);
    if (!Holds(offset + 16, (named + numbered) * 8ull)) return std::nullopt;
    for (std::uint32_t i = id ? named : 0; i < named + numbered; ++i) {
      const unsigned char* entry = &data_[offset + 16 + i * 8];
      if (!id || Load32(entry) == *id) return Load32(entry + 4);
    }
    return std::nullopt;
  }

  // The address and size of the data entry at `offset`.
  bool DataAt(std::uint32_t offset, std::uint32_t& address, std::uint32_t& size) const {
    if (!Holds(offset, 16)) return false;
    address = Load32(&data_[offset]);
    size = Load32(&data_[offset + 4]);
    return true;
  }

 private:
  bool Holds(std::uint64_t offset, std::uint64_t count) const {
    return offset <= data_.size() && count <= data_.size() - offset;
  }
  const Bytes& data_;
};

// One node of the version data: its key, its value and its children, each 32-bit aligned.
struct VersionNode {
  std::u16string key;
  std::span<const unsigned char> value;
  std::span<const unsigned char> children;
};

std::size_t Aligned(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

// The node at the start of `bytes`; `length` receives the room it takes. Text values count
// their length in UTF-16 units.
std::optional<VersionNode> ParseNode(std::span<const unsigned char> bytes, std::size_t& length) {
  if (bytes.size() < 6) return std::nullopt;
  length = Load16(&bytes[0]);
  const std::size_t valueLength = Load16(&bytes[2]) * (Load16(&bytes[4]) == 1 ? 2u : 1u);
  if (length < 6 || length > bytes.size()) return std::nullopt;
  VersionNode node;
  std::size_t at = 6;
  for (; at + 1 < length && Load16(&bytes[at]) != 0; at += 2) {
    node.key.push_back(static_cast<char16_t>(Load16(&bytes[at])));
  }
  at = Aligned(at + 2);
  if (at > length || valueLength > length - at) return std::nullopt;
  node.value = bytes.subspan(at, valueLength);
  at = Aligned(at + valueLength);
  node.children = bytes.subspan(std::min(at, length), length - std::min(at, length));
  return node;
}

// Each child of a node in turn; false when one is malformed.
template <typename Visit>
bool ForEachChild(std::span<const unsigned char> children, Visit visit) {
  while (children.size() >= 6) {
    std::size_t length = 0;
    const std::optional<VersionNode> child = ParseNode(children, length);
    if (!child) return false;
    visit(*child);
    children = children.subspan(std::min(Aligned(length), children.size()));
  }
  return true;
}

std::string Text(std::span<const unsigned char> value) {
  std::u16string text;
  for (std::size_t at = 0; at + 1 < value.size() && Load16(&value[at]) != 0; at += 2) {
    text.push_back(static_cast<char16_t>(Load16(&value[at])));
  }
  return Utf16ToUtf8(text);
}

struct StringValue {
  std::u16string_view name;
  std::string VersionInfo::*field;
};

constexpr StringValue kStringValues[] = {
    {u"CompanyName", &VersionInfo::companyName},
    {u"ProductName", &VersionInfo::productName},
    {u"ProductVersion", &VersionInfo::productVersion},
    {u"FileDescription", &VersionInfo::fileDescription},
    {u"FileVersion", &VersionInfo::fileVersion},
    {u"LegalCopyright", &VersionInfo::legalCopyright},
    {u"SpecialBuild", &VersionInfo::specialBuild},
};

bool IsEnglishUnicodeTable(const std::u16string& key) {
  return EqualIgnoringCase(Utf16ToUtf8(key), "040904B0");
}

// The string values of the English Unicode table under "StringFileInfo".
bool TakeStrings(const VersionNode& group, VersionInfo& info) {
  bool sound = true;
  const bool tablesSound = ForEachChild(group.children, [&](const VersionNode& table) {
    if (!IsEnglishUnicodeTable(table.key)) return;
    sound = ForEachChild(table.children,
                         [&](const VersionNode& value) {
                           for (const StringValue& known : kStringValues) {
                             if (value.key == known.name) info.*known.field = Text(value.value);
                           }
                         }) &&
            sound;
  });
  return tablesSound && sound;
}

PeVersionResult ParseVersionData(std::span<const unsigned char> data, VersionInfo& info) {
  std::size_t length = 0;
  const std::optional<VersionNode> root = ParseNode(data, length);
  if (!root || root->key != u"VS_VERSION_INFO") return PeVersionResult::damaged;
  VersionInfo read;
  if (root->value.size() >= kFixedPartSize && Load32(&root->value[0]) == kFixedSignature) {
    const unsigned char* fixed = root->value.data();
    read.fixed =
        FixedVersion{Load32(fixed + 16), Load32(fixed + 20), Load32(fixed + 8), Load32(fixed + 12)};
  }
  bool sound = true;
  const bool groupsSound = ForEachChild(root->children, [&](const VersionNode& group) {
    if (group.key == u"StringFileInfo") sound = TakeStrings(group, read) && sound;
  });
  if (!groupsSound || !sound) return PeVersionResult::damaged;
  info = std::move(read);
  return PeVersionResult::found;
}

}  // namespace

PeVersionResult ReadPeVersionResource(std::uint64_t fileSize, const ReadAtFunction& readAt,
                                      VersionInfo& info) {
  const BoundedFile file(fileSize, readAt);
  Image image(file);
  std::uint32_t resourceAddress = 0;
  std::uint32_t resourceSize = 0;
  const PeVersionResult headers = image.ReadHeaders(resourceAddress, resourceSize);
  if (headers != PeVersionResult::found) return headers;
  Bytes resources;
  if (resourceSize > kLargestResourceData ||
      !image.Read(resourceAddress, resourceSize, resources)) {
    return PeVersionResult::damaged;
  }
  // Type, then name, then language: the first version resource in its first language.
  const ResourceTree tree(resources);
  const std::optional<std::uint32_t> names = tree.Entry(0, kVersionResourceType);
  if (!names) return PeVersionResult::noResource;
  if ((*names & kSubdirectoryBit) == 0) return PeVersionResult::damaged;
  const std::optional<std::uint32_t> languages = tree.Entry(*names & ~kSubdirectoryBit, {});
  if (!languages || (*languages & kSubdirectoryBit) == 0) return PeVersionResult::damaged;
  const std::optional<std::uint32_t> leaf = tree.Entry(*languages & ~kSubdirectoryBit, {});
  std::uint32_t address = 0;
  std::uint32_t size = 0;
  Bytes data;
  if (!leaf || (*leaf & kSubdirectoryBit) != 0 || !tree.DataAt(*leaf, address, size) ||
      size > kLargestVersionData || !image.Read(address, size, data)) {
    return PeVersionResult::damaged;
  }
  return ParseVersionData(data, info);
}

}  // namespace platform
