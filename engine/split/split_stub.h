#pragma once
// The lite program that heads every self-extracting package, found beside the running program.

#include <cstdint>
#include <string>
#include <string_view>

// Products older than this (major << 16 | minor) cannot head a self-extracting package.
inline constexpr std::uint32_t kOldestStubVersion = 0x00020000;
// The product name in the lite program's version data.
inline constexpr std::string_view kLiteProductName = "PartwellLite";

struct StubRecord {
  std::uint32_t size = 0;  // the low 32 bits of the program file's size
  std::string path;        // the program file's full path
};

// The lite program's file name: "PartwellLite.exe" where program files carry that extension,
// "PartwellLite" elsewhere.
std::string LiteProgramFileName();

// Finds the lite program in the running program's folder and fills the record. Raises the file
// error for the stub's path when the program's own path or the stub's size cannot be had, the
// system error when the stub has no version data, 1126 with the path when its version is
// below 2.0 or has no fixed part, and the refusal of any program but the lite one.
void LocateStub(StubRecord& stub);
// The same in a given folder (ending with a separator).
void LocateStubIn(const std::string& folder, StubRecord& stub);
// The same for a lite program given by its path, which may be that of another system: the
// Windows program's version resource and the Linux program's version block are both read.
void LocateStubAt(const std::string& path, StubRecord& stub);
