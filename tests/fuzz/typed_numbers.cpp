// Sizes and numbers as the user types them (ParseByteSize, ParseInteger, ParseDecimal), in the
// regional formats that change how they read: the first byte picks the format.

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/text_format.h"

namespace {

platform::NumberFormat Format(std::string decimal, std::string thousands) {
  platform::NumberFormat format;
  format.decimalSeparator = std::move(decimal);
  format.thousandsSeparator = std::move(thousands);
  return format;
}

// English, German, French (a narrow no-break space between groups), Arabic (a two-byte decimal
// separator), Swiss (an apostrophe), and a format without group separators.
const std::array<platform::NumberFormat, 6> kFormats = {
    Format(".", ","),           Format(",", "."), Format(",", "\u202F"),
    Format("\u066B", "\u066C"), Format(".", "'"), Format(".", ""),
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  SetProcessNumberFormat(kFormats[data[0] % kFormats.size()]);
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  std::uint64_t bytes = 0;
  ParseByteSize(text, bytes);

  double decimal = 0;
  if (ParseDecimal(text, decimal) && !std::isfinite(decimal)) __builtin_trap();

  // A number read back from its plain digits is the same number.
  std::int64_t integer = 0;
  if (ParseInteger(text, integer)) {
    std::int64_t again = 0;
    if (!ParseInteger(std::to_string(integer), again) || again != integer) __builtin_trap();
  }
  return 0;
}
