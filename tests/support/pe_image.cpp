#include "tests/support/pe_image.h"

#include <string>

#include "platform/unicode.h"

namespace {

using Image = std::vector<unsigned char>;

constexpr std::size_t kPeHeader = 0x40;
constexpr std::size_t kOptionalHeader = kPeHeader + 24;
constexpr std::size_t kOptionalHeaderSize = 240;  // PE32+ with 16 data directories
constexpr std::size_t kSectionTable = kOptionalHeader + kOptionalHeaderSize;
constexpr std::size_t kResourceFileOffset = 0x200;
constexpr std::uint32_t kResourceAddress = 0x1000;
constexpr std::size_t kVersionDataAt = 0x58;  // within the resource section

void Store(Image& image, std::size_t offset, std::uint64_t value, int size) {
  if (image.size() < offset + size) image.resize(offset + size);
  for (int i = 0; i < size; ++i) image[offset + i] = static_cast<unsigned char>(value >> 8 * i);
}

void Pad(Image& bytes) { bytes.resize((bytes.size() + 3) & ~std::size_t{3}); }

Image Utf16(const std::string& text) {
  Image bytes;
  for (char16_t unit : platform::Utf8ToUtf16(text)) {
    bytes.push_back(static_cast<unsigned char>(unit));
    bytes.push_back(static_cast<unsigned char>(unit >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

// One node of the version data: length, value length, type, key, value, children.
Image Node(const std::string& key, const Image& value, bool text,
           const std::vector<Image>& children = {}) {
  Image node(6, 0);
  const Image name = Utf16(key);
  node.insert(node.end(), name.begin(), name.end());
  Pad(node);
  node.insert(node.end(), value.begin(), value.end());
  for (const Image& child : children) {
    Pad(node);
    node.insert(node.end(), child.begin(), child.end());
  }
  Store(node, 0, node.size(), 2);
  Store(node, 2, text ? value.size() / 2 : value.size(), 2);
  Store(node, 4, text ? 1 : 0, 2);
  return node;
}

Image VersionData(const platform::VersionInfo& info) {
  Image fixed;
  if (info.fixed) {
    Store(fixed, 0, 0xFEEF04BD, 4);
    Store(fixed, 4, 0x00010000, 4);
    Store(fixed, 8, info.fixed->fileVersionMs, 4);
    Store(fixed, 12, info.fixed->fileVersionLs, 4);
    Store(fixed, 16, info.fixed->productVersionMs, 4);
    Store(fixed, 20, info.fixed->productVersionLs, 4);
    Store(fixed, 48, 0, 4);
  }
  const std::pair<const char*, const std::string*> strings[] = {
      {"CompanyName", &info.companyName},  {"FileDescription", &info.fileDescription},
      {"FileVersion", &info.fileVersion},  {"LegalCopyright", &info.legalCopyright},
      {"ProductName", &info.productName},  {"ProductVersion", &info.productVersion},
      {"SpecialBuild", &info.specialBuild}};
  std::vector<Image> values;
  for (const auto& [name, text] : strings) {
    if (!text->empty()) values.push_back(Node(name, Utf16(*text), true));
  }
  Image translation;
  Store(translation, 0, 0x04B00409, 4);
  return Node("VS_VERSION_INFO", fixed, false,
              {Node("StringFileInfo", {}, true, {Node("040904B0", {}, true, values)}),
               Node("VarFileInfo", {}, true, {Node("Translation", translation, false)})});
}

// Type 16 (version), name 1, language 0409: three directories of one entry each, then the
// data entry and the data.
Image ResourceSection(const platform::VersionInfo& info) {
  Image section;
  const std::uint32_t entries[][3] = {
      {0x00, 16, 0x80000018}, {0x18, 1, 0x80000030}, {0x30, 0x409, 0x48}};
  for (const auto& [directory, id, target] : entries) {
    Store(section, directory + 14, 1, 2);
    Store(section, directory + 16, id, 4);
    Store(section, directory + 20, target, 4);
  }
  const Image data = VersionData(info);
  Store(section, 0x48, kResourceAddress + kVersionDataAt, 4);
  Store(section, 0x4C, data.size(), 4);
  section.resize(kVersionDataAt);
  section.insert(section.end(), data.begin(), data.end());
  return section;
}

}  // namespace

std::vector<unsigned char> MakePeImage(const platform::VersionInfo& info, std::uint16_t machine) {
  static_assert(kResourceFileOffset + kVersionDataAt == kPeVersionDataOffset);
  Image image(kResourceFileOffset, 0);
  image[0] = 'M';
  image[1] = 'Z';
  Store(image, 0x3C, kPeHeader, 4);
  Store(image, kPeHeader, 0x00004550, 4);  // "PE\0\0"
  Store(image, kPeHeader + 4, machine, 2);
  Store(image, kPeHeader + 6, 1, 2);  // one section
  Store(image, kPeHeader + 20, kOptionalHeaderSize, 2);
  Store(image, kPeHeader + 22, 0x0022, 2);  // executable, large addresses
  const Image resources = ResourceSection(info);
  const std::size_t rawSize = (resources.size() + 0x1FF) & ~std::size_t{0x1FF};
  const std::size_t o = kOptionalHeader;
  Store(image, o + 0, 0x20B, 2);  // PE32+
  Store(image, o + 24, 0x140000000, 8);
  Store(image, o + 32, 0x1000, 4);  // section alignment
  Store(image, o + 36, 0x200, 4);   // file alignment
  Store(image, o + 40, 6, 2);
  Store(image, o + 48, 6, 2);
  Store(image, o + 56, kResourceAddress + ((rawSize + 0xFFF) & ~std::size_t{0xFFF}), 4);
  Store(image, o + 60, kResourceFileOffset, 4);  // size of the headers
  Store(image, o + 68, 3, 2);                    // console subsystem
  Store(image, o + 108, 16, 4);                  // data directories
  Store(image, o + 112 + 2 * 8, kResourceAddress, 4);
  Store(image, o + 112 + 2 * 8 + 4, resources.size(), 4);
  const char name[] = ".rsrc";
  for (std::size_t i = 0; i < sizeof name - 1; ++i) image[kSectionTable + i] = name[i];
  Store(image, kSectionTable + 8, resources.size(), 4);
  Store(image, kSectionTable + 12, kResourceAddress, 4);
  Store(image, kSectionTable + 16, rawSize, 4);
  Store(image, kSectionTable + 20, kResourceFileOffset, 4);
  Store(image, kSectionTable + 36, 0x40000040, 4);  // initialised data, readable
  image.insert(image.end(), resources.begin(), resources.end());
  image.resize(kResourceFileOffset + rawSize, 0);
  return image;
}
