#include "platform/registry.h"

#include "platform/unicode.h"

namespace platform {

RegistryValue RegistryTextValue(std::string_view text) {
  RegistryValue value{kRegistryText, {}};
  std::u16string units = Utf8ToUtf16(text);
  units += u'\0';
  for (char16_t unit : units) {
    value.data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    value.data.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return value;
}

std::u16string RegistryTextUnits(const RegistryValue& value) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
    units += static_cast<char16_t>(value.data[i] | value.data[i + 1] << 8);
  }
  return units;
}

}  // namespace platform
