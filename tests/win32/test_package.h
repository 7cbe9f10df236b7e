#pragma once
// A small package made by the split, in a scratch folder, for the window tests.

#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"

struct TestPackage {
  // Splits 100,000 bytes ("sample.bin") into a data-only package of 6 files; the original is
  // removed afterwards.
  explicit TestPackage(const ScratchFolder& folder);

  void WriteOriginal() const;
  std::string OriginalOnDisk() const;
  // Changes one byte inside the data of piece `index`.
  void DamagePiece(int index) const;

  std::string original;  // the bytes that were split
  std::string folder;    // with a trailing separator
  std::string master;
  std::string merged;  // where the merge writes by default
};
