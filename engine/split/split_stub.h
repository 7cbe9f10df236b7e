#pragma once
// The lite program that heads every self-extracting package, found beside the running program.

#include <cstdint>
#include <string>

// Products older than this (major << 16 | minor) cannot head a self-extracting package.
inline constexpr std::uint32_t kOldestStubVersion = 0x00020000;

struct StubRecord {
  std::uint32_t size = 0;  // the low 32 bits of the program file's size
  std::string path;        // the program file's full path
};

// The lite program's file name: "PartwellLite.exe" where program files carry that extension,
// "PartwellLite" elsewhere.
std::string LiteProgramFileName();

// Finds the lite program in the running program's folder and fills the record. Raises the file
// error for the stub's path when the program's own path or the stub's size cannot be had, the
// system error when the stub has no version data, and 1126 with the path when its version is
// below 2.0 or has no fixed part.
void LocateStub(StubRecord& stub);
// The same in a given folder (ending with a separator).
void LocateStubIn(const std::string& folder, StubRecord& stub);
