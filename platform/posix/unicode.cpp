#include "platform/unicode.h"

namespace platform {

// Windows-1252. Its five unassigned bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their C1
// code points, as Windows itself converts them.
std::string AnsiToUtf8(std::string_view bytes) {
  static constexpr char16_t kHighHalf[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::u16string wide;
  wide.reserve(bytes.size());
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    wide += byte >= 0x80 && byte < 0xA0 ? kHighHalf[byte - 0x80] : char16_t{byte};
  }
  return Utf16ToUtf8(wide);
}

}  // namespace platform
