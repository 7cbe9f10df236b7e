#pragma once
// What a recovery set records of one file it protects, read from the file itself: its digests,
// its length and each slice's MD5 and CRC-32, the last slice taken as padded with zeros.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/file64.h"
#include "engine/recovery/par2_format.h"

// Reads the file at `path` once; `name` is the name the set stores. Raises the file errors.
Par2File DigestPar2File(const std::string& path, const std::string& name, std::uint64_t sliceSize);

// Reads the open file from where it is to its end once: its length, both hashes, and the checks
// of the slices that cover its first `sliceLimit` bytes (a file checked against a shorter stored
// length ends its last slice there). `onRead` is told the size of each run read. The id and the
// name are left empty. Raises the file errors.
Par2File DigestPar2Data(CFile64& input, std::uint64_t sliceSize, std::uint64_t sliceLimit,
                        const std::function<void(std::uint64_t)>& onRead = {});

// The checks of every slice of the open file's first `length` bytes, the last slice padded with
// zeros, read and digested side by side: they take a fraction of the time of the file's own MD5,
// which goes through it in order. `onRead` is told the size of each run read. Raises the file
// errors, and the end-of-file error for a file shorter than `length`.
std::vector<Par2SliceCheck> DigestPar2Slices(CFile64& input, std::uint64_t sliceSize,
                                             std::uint64_t length,
                                             const std::function<void(std::uint64_t)>& onRead = {});

// Reads up to `size` bytes on into `buffer`; 0 at the end.
using Par2Read = std::function<std::uint32_t(void* buffer, std::uint32_t size)>;
// The same as DigestPar2Data, from what `read` hands, its slices to the end.
Par2File DigestPar2Reads(const Par2Read& read, std::uint64_t sliceSize);

// One file for DigestPar2Files: open, read from where it is to its end.
struct Par2DigestJob {
  std::unique_ptr<CFile64> input;
  std::uint64_t sliceLimit = UINT64_MAX;
  std::function<void(Par2File)> done;  // takes what DigestPar2Data would return, once read
};
// The next file to digest, or nothing once none is left.
using NextPar2Digest = std::function<std::optional<Par2DigestJob>()>;
// Whether `next` would answer at once: a file is ready, or none is left.
using Par2DigestReady = std::function<bool()>;

// Digests the files that `next` hands, several at once, each as DigestPar2Data does: the MD5s of
// their whole data and of their slices then run side by side, in a fraction of the time of one
// file after another. With `ready`, files still being written are waited for only when nothing
// else is left to digest: those at hand go on meanwhile. Raises the file errors.
void DigestPar2Files(std::uint64_t sliceSize, const NextPar2Digest& next,
                     const std::function<void(std::uint64_t)>& onRead = {},
                     const Par2DigestReady& ready = {});
