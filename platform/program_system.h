#pragma once
// The system a program file runs on, named from its ELF or PE header: a self-extracting master
// begins with its stub, so this tells where the package can be double-clicked.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/bounded_file.h"

namespace platform {

// "Windows x86-64", "Linux x86-64", "Windows ARM64"... for a PE or ELF program file of
// `fileSize` bytes; nothing for any other file or a header too damaged to say.
std::optional<std::string> ProgramSystemName(std::uint64_t fileSize, const ReadAtFunction& readAt);

}  // namespace platform
