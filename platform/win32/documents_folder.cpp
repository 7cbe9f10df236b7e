#include "platform/documents_folder.h"

#include "platform/win32/windows_support.h"

#include <shlobj.h>

namespace platform {

std::string DocumentsFolder() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path))) {
    return {};
  }
  return Narrow(path);
}

}  // namespace platform
