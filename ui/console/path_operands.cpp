#include "ui/console/path_operands.h"

#include "base/exceptions.h"
#include "base/message_format.h"
#include "platform/files.h"

void RefuseFolderAsFile(const std::string& path) {
  if (platform::QueryPathKind(path) == platform::PathKind::Folder) {
    throw CAppException(FormatMessageText("%1 is a folder, not a file.", {path}));
  }
}

void RefuseFileAsFolder(const std::string& path) {
  if (platform::QueryPathKind(path) == platform::PathKind::File) {
    throw CAppException(FormatMessageText("%1 is a file, not a folder.", {path}));
  }
}
