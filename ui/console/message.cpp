#include "ui/console/message.h"

#include <algorithm>

#include "platform/console.h"

std::string MessageText(std::string_view programName, std::string_view text) {
  std::string shown = std::string(programName) + ": ";
  bool firstLine = true;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    if (end != 0) {
      if (!firstLine) shown += '\n';
      shown += text.substr(0, end);
      firstLine = false;
    }
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return shown;
}

void WriteMessage(std::string_view programName, std::string_view text) {
  platform::WriteToStandardError(MessageText(programName, text) + "\n");
}
