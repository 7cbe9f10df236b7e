#pragma once
// The SHA-256 digests of a package's pieces for the check against its manifest, read from the
// piece files on a thread of their own a little ahead of the merge, two pieces side by side:
// the processor's SHA instructions take two digests in little more time than one, so the check
// keeps pace with the copy, which one digest after the other held back. With each digest goes
// the CRC-32 of the bytes it was taken of. The merge takes the CRC-32 of the bytes it copies:
// when the two agree, the bytes merged are the bytes whose digest matched.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/background_work.h"
#include "engine/sha256.h"

// What one read of a whole file gave.
struct FileDigestAndCrc {
  Sha256Digest digest{};
  std::uint32_t crc = 0;
  std::uint64_t length = 0;
};

// Reads the file at `path` once, for both. Raises the file errors.
FileDigestAndCrc DigestAndCrcOfFile(const std::string& path);

class PieceDigestsAhead {
 public:
  // Starts on the pieces at `paths`, by index, in order; an empty path is passed over.
  explicit PieceDigestsAhead(std::vector<std::string> paths);
  PieceDigestsAhead(const PieceDigestsAhead&) = delete;
  PieceDigestsAhead& operator=(const PieceDigestsAhead&) = delete;
  // Stops the reading where it is.
  ~PieceDigestsAhead();

  // The path whose digest piece `index` gets; empty for none.
  const std::string& PathOf(std::uint32_t index) const { return paths_.at(index); }
  // The merge has begun to copy piece `index`: the pair after the one it is in may be read. No
  // more is read ahead, so that the merge finds these bytes in the system's cache.
  void Reached(std::uint32_t index);
  // Waits for the piece's digest; nothing when its file could not be read.
  std::optional<FileDigestAndCrc> Wait(std::uint32_t index);

 private:
  void DigestAll();
  // Pieces `first` and `second` side by side; `second` may be past the last.
  void DigestPair(std::uint32_t first, std::uint32_t second);
  void Publish(std::uint32_t index, std::optional<FileDigestAndCrc> taken);

  const std::vector<std::string> paths_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<bool> ended_;  // by index: its digest, or its failure, is known
  std::vector<std::optional<FileDigestAndCrc>> taken_;
  std::uint32_t reached_ = 0;  // the highest index the merge has begun to copy
  bool stopping_ = false;
  // Last, so that it stops before what its work uses goes.
  BackgroundWork work_;
};
