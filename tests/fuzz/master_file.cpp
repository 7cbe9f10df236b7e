// The master file as the merge and the Merge page load it: the current and the early header,
// each alone or behind a program with the self-extracting trailer after it.

#include <bit>
#include <cstdint>

#include "base/exceptions.h"
#include "engine/package_reading.h"
#include "platform/unicode.h"
#include "tests/fuzz/fuzz_input_file.h"

namespace {

// A text written back is the same text, or, when it filled its whole field (a record without
// its terminator), the same cut at a character to leave room for one.
bool WrittenBackAsRead(const std::string& read, const std::string& again, std::size_t chars) {
  if (platform::Utf16Length(read) < chars) return again == read;
  return platform::Utf16Length(again) < chars && read.starts_with(again);
}

// A header read in the current form comes out the same after it is written and read again.
void CheckCurrentFormRoundTrip(const MasterHeader& header) {
  if (header.headerSize != kMasterHeaderSize) return;
  const MasterHeader again = DecodeMasterHeader(EncodeMasterHeader(header));
  if (std::bit_cast<std::uint64_t>(again.splitTime) !=
          std::bit_cast<std::uint64_t>(header.splitTime) ||
      again.magic != header.magic || again.version != header.version ||
      again.headerSize != header.headerSize || again.checksum != header.checksum ||
      again.maxPieceDataSize != header.maxPieceDataSize || again.fileCount != header.fileCount ||
      again.originalSize != header.originalSize ||
      !WrittenBackAsRead(header.pathPrefix, again.pathPrefix, kPathPrefixChars) ||
      !WrittenBackAsRead(header.sourcePath, again.sourcePath, kSourcePathChars) ||
      !WrittenBackAsRead(header.comments, again.comments, kCommentsChars)) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzInputFile file("master");
  file.Write(data, size);
  MasterHeader header;
  bool selfExtracting = false;
  try {
    LoadMasterFile(file.Path(), header, selfExtracting);
  } catch (const CException&) {
    return 0;  // refused with its message: what a damaged master must lead to
  }
  // Every later step relies on a bounded, non-empty list of package files.
  if (header.fileCount < 1 || header.fileCount > kMaxFileCount) __builtin_trap();
  if (header.headerSize != kMasterHeaderSize && header.headerSize != kEarlyMasterHeaderSize) {
    __builtin_trap();
  }
  if (IsSelfExtractingMaster(file.Path()) != selfExtracting) __builtin_trap();
  CheckCurrentFormRoundTrip(header);
  return 0;
}
