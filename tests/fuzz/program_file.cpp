// A program file given to the split as its stub: the version data read from it (the ELF
// version block, the PE version resource) and the system named from its header. Whatever the
// file holds, each reader ends with a result and never asks for a byte outside the file.

#include <cstdint>
#include <cstring>

#include "platform/elf_version_block.h"
#include "platform/pe_version_resource.h"
#include "platform/program_system.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const platform::ReadAtFunction readAt = [data, size](std::uint64_t offset,
                                                       std::span<unsigned char> buffer) {
    if (offset > size || buffer.size() > size - offset) __builtin_trap();
    std::memcpy(buffer.data(), data + offset, buffer.size());
    return true;
  };
  platform::VersionInfo info;
  platform::ReadElfVersionBlock(size, readAt, info);
  platform::ReadPeVersionResource(size, readAt, info);
  platform::ProgramSystemName(size, readAt);
  return 0;
}
