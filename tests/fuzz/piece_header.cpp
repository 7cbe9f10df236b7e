// The header at the start of a piece, in the current and the early form, as the merge and the
// verify read it before the piece's data.

#include <cstdint>

#include "base/exceptions.h"
#include "engine/package_reading.h"
#include "tests/fuzz/fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzInputFile file("piece");
  file.Write(data, size);
  CFile64 piece;
  if (!piece.Open(file.Path(), false)) __builtin_trap();
  PieceHeader header;
  try {
    header = ReadPieceHeader(piece);
  } catch (const CException&) {
    return 0;
  }
  // The data is read from right after the header, whichever form it is.
  if (header.headerSize != kPieceHeaderSize && header.headerSize != kEarlyPieceHeaderSize) {
    __builtin_trap();
  }
  if (piece.Position() != header.headerSize) __builtin_trap();
  if (header.headerSize == kPieceHeaderSize &&
      !(DecodePieceHeader(EncodePieceHeader(header)) == header)) {
    __builtin_trap();
  }
  return 0;
}
