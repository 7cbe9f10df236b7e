// The settings file of the POSIX build, and the text it is written back as: whatever the file
// holds, what is read from the written text is what was read from the file.

#include <cstdint>
#include <string_view>

#include "platform/posix/registry_file.h"

namespace {

bool SameValue(const platform::SettingsValue& a, const platform::SettingsValue& b) {
  return a.name == b.name && a.value.type == b.value.type && a.value.data == b.value.data;
}

bool SameKey(const platform::SettingsKey& a, const platform::SettingsKey& b) {
  return a.path == b.path && a.values.size() == b.values.size() &&
         std::equal(a.values.begin(), a.values.end(), b.values.begin(), SameValue);
}

bool SameDocument(const platform::SettingsDocument& a, const platform::SettingsDocument& b) {
  return a.keys.size() == b.keys.size() &&
         std::equal(a.keys.begin(), a.keys.end(), b.keys.begin(), SameKey);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const platform::SettingsDocument read = platform::ParseSettingsDocument(text);
  const std::string written = platform::FormatSettingsDocument(read);
  if (!SameDocument(platform::ParseSettingsDocument(written), read)) __builtin_trap();
  return 0;
}
