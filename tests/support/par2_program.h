#pragma once
// The real par2 program, for the recovery tests' outside check (tests skip where it is absent,
// under Wine for one), and the files and sets the tests compare its work with.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/recovery/par2_format.h"
#include "tests/support/scratch_folder.h"

bool HavePar2();
// Runs par2 in the folder, quietly; true when it succeeds.
bool RunPar2(const ScratchFolder& folder, const std::string& arguments);
// Writes a file of `size` random bytes (the same for the same seed) and returns them.
std::string WriteRandomFile(const ScratchFolder& folder, const std::string& name, std::size_t size,
                            std::uint32_t seed);
// The set over these files of the folder as we digest them ourselves, in the Main packet's order.
Par2Set DigestedPar2Set(const ScratchFolder& folder, const std::vector<std::string>& names,
                        std::uint64_t sliceSize);
