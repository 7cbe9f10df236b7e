#pragma once
// Reading a program file's headers as plain bytes, for any system's program format: every
// offset and size a file states is checked against the file before anything is read.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace platform {

// Fills `buffer` from the file at `offset`; false when that cannot be done in full.
using ReadAtFunction = std::function<bool(std::uint64_t offset, std::span<unsigned char> buffer)>;

using Bytes = std::vector<unsigned char>;

inline std::uint64_t LoadLittleEndian(const unsigned char* bytes, int size) {
  std::uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}
inline std::uint16_t Load16(const unsigned char* bytes) {
  return static_cast<std::uint16_t>(LoadLittleEndian(bytes, 2));
}
inline std::uint32_t Load32(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(LoadLittleEndian(bytes, 4));
}
inline std::uint64_t Load64(const unsigned char* bytes) { return LoadLittleEndian(bytes, 8); }

// The file seen through its size: nothing outside it is ever asked for.
class BoundedFile {
 public:
  BoundedFile(std::uint64_t size, const ReadAtFunction& readAt) : size_(size), readAt_(readAt) {}

  bool Contains(std::uint64_t offset, std::uint64_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }

  bool Read(std::uint64_t offset, std::uint64_t count, Bytes& bytes) const {
    if (!Contains(offset, count)) return false;
    bytes.assign(count, 0);
    return count == 0 || readAt_(offset, bytes);
  }

 private:
  std::uint64_t size_;
  const ReadAtFunction& readAt_;
};

}  // namespace platform
