// Recovery files of any PAR2 tool, as the merge and the repair read them: packets in memory and
// in a file, damaged, cut short or of other sets anywhere among them.

#include <cstdint>
#include <span>
#include <vector>

#include "engine/recovery/par2_reader.h"
#include "tests/fuzz/fuzz_input_file.h"

namespace {

// What the reader promises of every set it returns.
bool Consistent(const Par2FoundSet& found, std::size_t size) {
  const Par2Set& set = found.set;
  if (set.sliceSize == 0 || set.sliceSize % 4 != 0 || set.sliceSize > kPar2MaxSliceSize) {
    return false;
  }
  std::uint64_t slices = 0;
  for (const Par2File& file : set.files) {
    const std::uint64_t count = Par2SliceCount(file.length, set.sliceSize);
    if (!file.slices.empty() && file.slices.size() != count) return false;
    if (file.id != Par2FileId(file.hash16k, file.length, file.name)) return false;
    slices += count;
  }
  if (slices > kPar2MaxSlices) return false;
  for (std::size_t i = 0; i < found.recovery.size(); ++i) {
    const Par2RecoverySlice& slice = found.recovery[i];
    if (i > 0 && slice.exponent <= found.recovery[i - 1].exponent) return false;
    if (slice.dataOffset < kPar2RecoveryPrefixSize || slice.dataOffset > size ||
        size - slice.dataOffset < set.sliceSize) {
      return false;
    }
  }
  return true;
}

// The same sets, whether read from memory or from a file.
bool Same(const Par2FoundSet& a, const Par2FoundSet& b) {
  if (a.set.setId != b.set.setId || a.set.sliceSize != b.set.sliceSize ||
      a.set.files != b.set.files || a.set.nonRecoveryFileIds != b.set.nonRecoveryFileIds ||
      a.recovery.size() != b.recovery.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.recovery.size(); ++i) {
    if (a.recovery[i].exponent != b.recovery[i].exponent ||
        a.recovery[i].dataOffset != b.recovery[i].dataOffset) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<Par2FoundSet> sets = ReadPar2Bytes(std::span(data, size));
  for (const Par2FoundSet& found : sets) {
    if (!Consistent(found, size)) __builtin_trap();
  }
  static FuzzInputFile file("packets.par2");
  file.Write(data, size);
  const std::vector<Par2FoundSet> fromFile = ReadPar2Sets({file.Path()});
  if (fromFile.size() != sets.size()) __builtin_trap();
  for (std::size_t i = 0; i < sets.size(); ++i) {
    if (!Same(sets[i], fromFile[i])) __builtin_trap();
    for (const Par2RecoverySlice& slice : fromFile[i].recovery) {
      if (slice.path != file.Path()) __builtin_trap();
    }
  }
  return 0;
}
