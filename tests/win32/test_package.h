#pragma once
// A small package made by the split, in a scratch folder, for the window tests.

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"

struct TestPackage {
  // Splits 100,000 bytes ("sample.bin") into a data-only package of 6 files, with that many
  // recovery volumes; the original is removed afterwards.
  explicit TestPackage(const ScratchFolder& folder, std::uint32_t recoveryVolumes = 0);

  void WriteOriginal() const;
  std::string OriginalOnDisk() const;
  // Changes one byte inside the data of piece `index`.
  void DamagePiece(int index) const;
  // The file name of piece `index`: "sample.bin_00002.fss".
  static std::string PieceName(int index);

  std::string original;  // the bytes that were split
  std::string folder;    // with a trailing separator
  std::string master;
  std::string merged;  // where the merge writes by default
};
