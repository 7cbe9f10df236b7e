#include "platform/program_system.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace platform {
namespace {

struct Machine {
  std::uint16_t code;
  std::string_view name;
};

// The machines of the ELF and PE headers that a lite program is built for.
constexpr Machine kElfMachines[] = {{0x3E, "x86-64"}, {0x03, "x86"}, {0xB7, "ARM64"}};
constexpr Machine kPeMachines[] = {{0x8664, "x86-64"}, {0x014C, "x86"}, {0xAA64, "ARM64"}};

template <std::size_t N>
std::string MachineName(const Machine (&machines)[N], std::uint16_t code) {
  for (const Machine& machine : machines) {
    if (machine.code == code) return std::string(machine.name);
  }
  char unknown[24];
  std::snprintf(unknown, sizeof unknown, "machine 0x%04x", code);
  return unknown;
}

// An ELF file's operating system is "none" (System V) for most Linux programs, a static one
// included; only the BSDs mark theirs.
std::string_view ElfSystem(unsigned char abi) {
  switch (abi) {
    case 9:
      return "FreeBSD";
    case 12:
      return "OpenBSD";
    case 2:
      return "NetBSD";
    default:
      return "Linux";
  }
}

std::optional<std::string> ElfSystemName(const BoundedFile& file) {
  Bytes ident;
  if (!file.Read(0, 20, ident)) return std::nullopt;
  constexpr unsigned char kMagic[] = {0x7F, 'E', 'L', 'F'};
  constexpr unsigned char kLittleEndian = 1;
  if (std::memcmp(ident.data(), kMagic, sizeof kMagic) != 0 || ident[5] != kLittleEndian) {
    return std::nullopt;
  }
  return std::string(ElfSystem(ident[7])) + " " + MachineName(kElfMachines, Load16(&ident[18]));
}

std::optional<std::string> PeSystemName(const BoundedFile& file) {
  Bytes dos;
  if (!file.Read(0, 64, dos) || dos[0] != 'M' || dos[1] != 'Z') return std::nullopt;
  Bytes pe;
  constexpr unsigned char kSignature[] = {'P', 'E', 0, 0};
  if (!file.Read(Load32(&dos[0x3C]), 6, pe) ||
      std::memcmp(pe.data(), kSignature, sizeof kSignature) != 0) {
    return std::nullopt;
  }
  return "Windows " + MachineName(kPeMachines, Load16(&pe[4]));
}

}  // namespace

std::optional<std::string> ProgramSystemName(std::uint64_t fileSize, const ReadAtFunction& readAt) {
  const BoundedFile file(fileSize, readAt);
  if (std::optional<std::string> name = ElfSystemName(file)) return name;
  return PeSystemName(file);
}

}  // namespace platform
