#include "base/exceptions.h"

#include <limits>

#include "base/message_format.h"
#include "platform/unicode.h"
#include "res/string_table.h"

namespace {

// The text cut to what a buffer of `capacity` UTF-16 units holds with its terminator;
// false when nothing would be written.
bool CopyToBuffer(std::string_view text, std::size_t capacity, std::string& out) {
  if (capacity == 0 || text.empty()) return false;
  out = platform::Utf16Prefix(text, capacity - 1);
  return true;
}

void SetHelpContext(unsigned* helpContext, unsigned value) {
  if (helpContext != nullptr) *helpContext = value;
}

}  // namespace

const char* CException::what() const noexcept {
  try {
    std::string text;
    whatText_ = GetErrorMessage(text, std::numeric_limits<std::size_t>::max()) ? text : "";
  } catch (...) {
    whatText_.clear();
  }
  return whatText_.c_str();
}

bool CUserException::GetErrorMessage(std::string&, std::size_t, unsigned* helpContext) const {
  SetHelpContext(helpContext, 0);
  return false;
}

bool CMemoryException::GetErrorMessage(std::string& text, std::size_t capacity,
                                       unsigned* helpContext) const {
  SetHelpContext(helpContext, 0);
  return CopyToBuffer(LoadMessage(IDS_OUT_OF_MEMORY).value_or(""), capacity, text);
}

CFileException::CFileException(int cause, long osError, std::string fileName)
    : cause(cause), osError(osError), fileName(std::move(fileName)) {}

bool CFileException::GetErrorMessage(std::string& text, std::size_t capacity,
                                     unsigned* helpContext) const {
  unsigned id = IDS_FILE_ERROR_BASE + static_cast<unsigned>(cause);
  SetHelpContext(helpContext, id);
  if (cause < none || cause > notRegularFile) return false;
  return CopyToBuffer(LoadMessage(id, {fileName}).value_or(""), capacity, text);
}

CAppException::CAppException(unsigned stringId)
    : message(stringId < 0x10000 ? StringTableText(stringId).value_or("") : "") {}

CAppException::CAppException(std::string text) : message(std::move(text)) {}

bool CAppException::GetErrorMessage(std::string& text, std::size_t capacity,
                                    unsigned* helpContext) const {
  SetHelpContext(helpContext, 0);
  return CopyToBuffer(message, capacity, text);
}

CSystemErrorException::CSystemErrorException(platform::ErrorCode code, std::string data)
    : errorCode(code), dataText(std::move(data)) {}

bool CSystemErrorException::GetErrorMessage(std::string& text, std::size_t capacity,
                                            unsigned* helpContext) const {
  SetHelpContext(helpContext, 0);
  if (errorCode == 0 || capacity == 0) return false;
  std::optional<std::string> systemText = platform::SystemErrorText(errorCode);
  if (!systemText) return false;
  std::string code = std::to_string(errorCode);
  std::optional<std::string> composed =
      dataText.empty() ? LoadMessage(IDS_SYSTEM_ERROR, {code, *systemText})
                       : LoadMessage(IDS_SYSTEM_ERROR_DATA, {code, *systemText, dataText});
  if (composed && platform::Utf16Length(*composed) < capacity) {
    text = *composed;
    return true;
  }
  // Too long for the buffer: the system's text alone, cut, and the data under it when
  // both still fit.
  constexpr std::string_view kDataSeparator = "\r\n\r\n\t";
  text = platform::Utf16Prefix(*systemText, capacity - 1);
  std::size_t needed = kDataSeparator.size() + platform::Utf16Length(dataText) +
                       platform::Utf16Length(*systemText) + 1;
  if (!dataText.empty() && needed <= capacity) {
    text += kDataSeparator;
    text += dataText;
  }
  return true;
}

void ThrowAppException(unsigned stringId, std::initializer_list<std::string_view> args) {
  throw CAppException(LoadMessage(stringId, args).value_or(""));
}

void ThrowSystemError(platform::ErrorCode code, std::string_view data) {
  throw CSystemErrorException(code, std::string(data));
}

void ThrowUserAbort() { throw CUserException(); }

void ThrowMemoryError() { throw CMemoryException(); }
