#include "platform/console.h"

#include "platform/win32/windows_support.h"

#include <shellapi.h>

namespace platform {

std::vector<std::string> CommandLineArguments(int, char**) {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return args;
  for (int i = 1; i < count; ++i) args.push_back(Narrow(wide[i]));
  LocalFree(wide);
  return args;
}

}  // namespace platform
