#include "platform/win32/windows_support.h"

#include "platform/unicode.h"

namespace platform {

// Through the program's own conversions, so that a name with lone surrogates (valid on NTFS)
// keeps them on its way through the program's UTF-8 text.
std::wstring Widen(std::string_view utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

std::string Narrow(std::wstring_view utf16) {
  return Utf16ToUtf8(std::u16string(utf16.begin(), utf16.end()));
}

}  // namespace platform
