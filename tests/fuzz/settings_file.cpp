// The settings file of the POSIX build, and the text it is written back as: whatever the file
// holds, the written text reads back to itself, and a value set in it is the value read back.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/posix/registry_file.h"

namespace {

constexpr std::string_view kKey = "Software\\Velmont Computing\\Partwell\\Split";

bool SameValue(const platform::RegistryValue* a, const platform::RegistryValue& b) {
  return a != nullptr && a->type == b.type && a->data == b.data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  platform::SettingsDocument read = platform::ParseSettingsDocument(text);
  const std::string written = platform::FormatSettingsDocument(read);
  if (platform::FormatSettingsDocument(platform::ParseSettingsDocument(written)) != written) {
    __builtin_trap();
  }
  // The input's tail, as a text value, survives a write and a read whatever surrounds it.
  const platform::RegistryValue value = platform::RegistryTextValue(
      text.substr(text.size() - std::min<std::size_t>(text.size(), 40)));
  read.AddKey(kKey);
  if (read.SetValue(kKey, "Fuzzed value", value) != 0) __builtin_trap();
  const platform::SettingsDocument again =
      platform::ParseSettingsDocument(platform::FormatSettingsDocument(read));
  if (!SameValue(again.FindValue(kKey, "Fuzzed value"), value)) __builtin_trap();
  return 0;
}
