#include "platform/unicode.h"

#include "platform/win32/windows_support.h"

namespace platform {

std::string AnsiToUtf8(std::string_view bytes) {
  if (bytes.empty()) return {};
  int size = static_cast<int>(bytes.size());
  int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), units);
  return Narrow(wide);
}

}  // namespace platform
