#pragma once
// What the tests of the split need besides the split itself: source files, the package a split
// must write worked out from the source bytes alone, and copies of the lite program with a
// changed version.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/operation_host.h"
#include "tests/support/scripted_host.h"

using Bytes = std::vector<std::uint8_t>;

// The separator that a folder typed without one receives on this platform.
std::string NativeSeparator();

// The message text of what the call raised; empty when it raised nothing.
std::string RaisedText(const std::function<void()>& call);

// `size` bytes without a short period, the same for the same seed.
Bytes SourceBytes(std::size_t size, std::uint32_t seed = 1);
Bytes FileBytes(const std::string& path);
// A file of `size` bytes that takes no room: for sizes the disk could not hold.
void MakeSparseFile(const std::string& path, std::uint64_t size);

std::uint32_t ReadLittle32(const Bytes& bytes, std::size_t offset);
std::uint64_t ReadLittle64(const Bytes& bytes, std::size_t offset);

// The data split files of a package of `source` with `pieceDataSize` data bytes a piece, each
// piece header written out field by field, the sums worked out here.
std::vector<Bytes> ExpectedPieceFiles(const Bytes& source, std::uint64_t pieceDataSize);

// The lite program the split copies, as built.
std::string BuiltLiteProgramPath();

// A copy of `program` in `folder` under the lite program's name, with the product version of
// its version data set to `productVersionMs` (major << 16 | minor), or its fixed part marked
// missing when `keepFixedPart` is false. Works on the version block of a POSIX program and on
// the version resource of a Windows one.
std::string CopyLiteProgramWithVersion(const std::string& program, const std::string& folder,
                                       std::uint32_t productVersionMs, bool keepFixedPart = true);

// A scripted host that runs a hook before each question and each location prompt, so a test
// can change the world when the user would (insert a disk, mend a source).
class HookedHost : public ScriptedHost {
 public:
  std::function<void(const std::string& text)> beforeQuestion;
  std::function<void(const std::string& path)> beforePrompt;

  int AskQuestion(const std::string& text, unsigned boxType) override;
  LocationAnswer PromptLocation(LocationMode mode, std::string& path,
                                const std::string& reason) override;
};
