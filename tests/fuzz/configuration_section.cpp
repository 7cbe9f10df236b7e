// The configuration file's section of preset split sizes, as the Split page reads it: UTF-8
// with or without a byte-order mark, or UTF-16LE with one.

#include <cstdint>

#include "engine/package_format.h"
#include "platform/profile_section.h"
#include "platform/unicode.h"
#include "tests/fuzz/fuzz_input_file.h"
#include "ui/split_presets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzInputFile file("Partwell.ini");
  file.Write(data, size);
  for (const SizePreset& preset : SplitSizePresets(file.Path())) {
    if (preset.bytes < kMinSplitFileSize || preset.bytes > kMaxSplitFileSize) __builtin_trap();
    if (preset.text.empty()) __builtin_trap();
  }
  // The section never holds more than the buffer of the system's reader would.
  std::vector<std::string> lines;
  if (platform::ReadProfileSection(file.Path(), "SplitFileSizes", lines)) {
    std::size_t used = 1;
    for (const std::string& line : lines) used += platform::Utf16Length(line) + 1;
    if (used > platform::kProfileSectionCapacity) __builtin_trap();
  }
  return 0;
}
