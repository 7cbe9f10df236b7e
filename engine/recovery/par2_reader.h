#pragma once
// Reading recovery sets from PAR2 files that may be damaged, truncated, renamed, of other sets
// or written by other tools. Nothing read is trusted: a packet counts only when its MD5
// matches, lengths and counts are checked before any allocation, unknown packet types are
// passed over, and a packet found at any offset counts (a file may have lost bytes before it).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/recovery/par2_format.h"

// Where the data of one recovery slice packet lies. Its MD5 is checked when it is used, not
// when it is found, so that a set whose files are all good costs the reading of its index only.
struct Par2RecoverySlice {
  std::uint32_t exponent = 0;
  std::string path;
  std::uint64_t packetOffset = 0;  // of the packet's header in the file
  std::uint64_t dataOffset = 0;    // of its data
  Md5Digest packetHash{};          // as its header states it
};

struct Par2ReadSet {
  Par2Set set;
  std::vector<Par2RecoverySlice> recovery;  // one per exponent, the first found of each
  // Every file of the Main packet has its description and slice checksums.
  bool complete = false;
  std::string creator;  // of the first Creator packet found, for messages
};

// The packets in a run of bytes, as a reader of PAR2 files finds them; for the fuzz target
// and for small files read whole. `path` and `baseOffset` only fill in recovery locations.
void ScanPar2Bytes(std::span<const std::uint8_t> bytes, const std::string& path,
                   std::uint64_t baseOffset, std::vector<Par2ReadSet>& sets);

// Reads every file given and returns each set found that has a Main packet, the one with the
// most files first. Files that cannot be opened or read are passed over. A recovery slice
// packet's data is skipped, not read.
std::vector<Par2ReadSet> ReadPar2Sets(std::span<const std::string> paths);

// The PAR2 files of a folder: every file whose name ends in ".par2", in any case.
std::vector<std::string> Par2FilesIn(const std::string& folder);

// Reads the packet of `slice` and checks its MD5; false when it is not whole.
bool RecoveryPacketIsWhole(const Par2RecoverySlice& slice, std::uint64_t sliceSize);
