#include "tests/support/split_package.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "base/exceptions.h"
#include "base/path_text.h"
#include "engine/file64.h"
#include "engine/split/split_stub.h"
#include "platform/files.h"

namespace {

std::filesystem::path NativePath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

void PutLittle(Bytes& bytes, std::size_t offset, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Where a version record starts in a program file: the POSIX version block (its magic followed
// by its size, 544) or the Windows fixed version part (its signature followed by the structure
// version 1.0). The same bytes may occur elsewhere as constants of the reading code.
struct VersionRecord {
  std::size_t start;
  std::size_t productVersionMs;  // offset of the field in the file
  std::size_t fixedPartMark;     // the field that says the fixed part is there
};

std::optional<VersionRecord> FindVersionRecord(const Bytes& program) {
  const std::uint8_t blockMagic[] = {'P', 'W', 'V', 'E', 'R', 'S', '1', 0};
  const std::uint8_t fixedSignature[] = {0xBD, 0x04, 0xEF, 0xFE};
  for (std::size_t at = 0; at + 32 <= program.size(); ++at) {
    if (std::memcmp(&program[at], blockMagic, sizeof blockMagic) == 0 &&
        ReadLittle32(program, at + 8) == 544) {
      return VersionRecord{at, at + 16, at + 12};
    }
    if (std::memcmp(&program[at], fixedSignature, sizeof fixedSignature) == 0 &&
        ReadLittle32(program, at + 4) == 0x00010000) {
      return VersionRecord{at, at + 16, at};
    }
  }
  return std::nullopt;
}

}  // namespace

std::string NativeSeparator() {
  return platform::kNativePathStyle == platform::PathStyle::windows ? "\\" : "/";
}

std::string RaisedText(const std::function<void()>& call) {
  try {
    call();
  } catch (const CException& error) {
    return error.what();
  }
  return {};
}

Bytes SourceBytes(std::size_t size, std::uint32_t seed) {
  Bytes bytes(size);
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::uint8_t& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<std::uint8_t>(state >> 11);
  }
  return bytes;
}

Bytes FileBytes(const std::string& path) {
  std::ifstream file(NativePath(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void MakeSparseFile(const std::string& path, std::uint64_t size) {
  CFile64 file;
  file.Open(path, true);
  file.SeekToBegin(size - 1);
  const std::uint8_t last = 0;
  file.Write(&last, 1);
  file.Close();
}

std::uint32_t ReadLittle32(const Bytes& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | bytes.at(offset + i);
  return value;
}

std::uint64_t ReadLittle64(const Bytes& bytes, std::size_t offset) {
  return ReadLittle32(bytes, offset) | std::uint64_t{ReadLittle32(bytes, offset + 4)} << 32;
}

std::vector<Bytes> ExpectedPieceFiles(const Bytes& source, std::uint64_t pieceDataSize) {
  std::vector<Bytes> pieces;
  std::uint32_t running = 0;
  std::uint32_t index = 1;
  for (std::size_t offset = 0; offset < source.size(); offset += pieceDataSize, ++index) {
    const std::size_t size = std::min<std::size_t>(pieceDataSize, source.size() - offset);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum += source[offset + i];
    running += sum * index;
    Bytes piece(56, 0);
    PutLittle(piece, 0, 0x20535346, 4);  // "FSS "
    PutLittle(piece, 4, 0x00030000, 4);
    PutLittle(piece, 8, 56, 4);
    PutLittle(piece, 16, index, 4);
    PutLittle(piece, 20, sum, 4);
    PutLittle(piece, 24, running, 4);
    PutLittle(piece, 32, size, 8);
    piece.insert(piece.end(), source.begin() + offset, source.begin() + offset + size);
    pieces.push_back(std::move(piece));
  }
  return pieces;
}

std::string BuiltLiteProgramPath() {
  return std::string(PW_BIN_DIR) + "/PartwellLite" + PW_EXE_SUFFIX;
}

std::string CopyLiteProgramWithVersion(const std::string& program, const std::string& folder,
                                       std::uint32_t productVersionMs, bool keepFixedPart) {
  Bytes bytes = FileBytes(program);
  const std::optional<VersionRecord> record = FindVersionRecord(bytes);
  EXPECT_TRUE(record.has_value()) << "no version data in " << program;
  if (record) {
    PutLittle(bytes, record->productVersionMs, productVersionMs, 4);
    if (!keepFixedPart) PutLittle(bytes, record->fixedPartMark, 0, 4);
  }
  const std::string path = folder + LiteProgramFileName();
  std::ofstream(NativePath(path), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path;
}

int HookedHost::AskQuestion(const std::string& text, unsigned boxType) {
  if (beforeQuestion) beforeQuestion(text);
  return ScriptedHost::AskQuestion(text, boxType);
}

LocationAnswer HookedHost::PromptLocation(LocationMode mode, std::string& path,
                                          const std::string& reason) {
  if (beforePrompt) beforePrompt(path);
  return ScriptedHost::PromptLocation(mode, path, reason);
}
