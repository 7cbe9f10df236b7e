#pragma once
// Recovery sets read from PAR2 files of any tool, trusting nothing: every packet is checked
// against its own MD5 before it is used, lengths are bounded by the file before anything is
// allocated, and a packet that is damaged, truncated, of an unknown type or of another set is
// passed over, the scan going on at the next packet signature.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/recovery/par2_format.h"

// A whole recovery slice packet (its MD5 checked), by where its data lie.
struct Par2RecoverySlice {
  std::string path;              // the file that holds it; empty for packets read from bytes
  std::uint64_t dataOffset = 0;  // where its sliceSize bytes of data begin in that file
  std::uint32_t exponent = 0;
};

struct Par2FoundSet {
  // In the Main packet's order. Only sets whose Main packet and every File Description were
  // found are returned; a file whose checksum packet was not found has no slices listed.
  Par2Set set;
  std::vector<Par2RecoverySlice> recovery;  // one per exponent, by exponent
  // The errors of the files that could not be read whole, each naming its file: what they
  // held is missing from the set.
  std::vector<std::string> readErrors;
};

// A name that ends in ".par2" in any case, with something before it.
bool IsPar2FileName(std::string_view name);
// Every file directly in the folder with such a name, sorted by name.
std::vector<std::string> Par2FilesIn(const std::string& folder);

// The sets whose packets are in these files, in any number of them and in any order.
// Unreadable files are passed over, their errors recorded in every set.
std::vector<Par2FoundSet> ReadPar2Sets(const std::vector<std::string>& paths);
// The same for packets in memory (the recovery slices' offsets are into `bytes`).
std::vector<Par2FoundSet> ReadPar2Bytes(std::span<const std::uint8_t> bytes);

// Where a file of the set lies, for a set read in `folder` (ending with a separator): nothing
// for a stored name that could lead outside it (absolute, "..", a drive, empty parts).
std::optional<std::string> Par2FilePath(const std::string& folder, std::string_view storedName);
