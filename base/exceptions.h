#pragma once
// Every failure travels as an exception that carries its finished message text.
// Thrown by value, caught by reference.

#include <cstddef>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/system_error.h"

class CException : public std::exception {
 public:
  // Writes the user-facing text, cut to capacity - 1 UTF-16 units; false when there is none.
  // The help context, when asked for, is set as the kind defines it (0 unless said otherwise).
  virtual bool GetErrorMessage(std::string& text, std::size_t capacity,
                               unsigned* helpContext = nullptr) const = 0;
  // The whole text, for logs and tests.
  const char* what() const noexcept override;

 private:
  mutable std::string whatText_;
};

// The silent abort: a declined question or a cancelled operation. Shows nothing.
class CUserException : public CException {
 public:
  bool GetErrorMessage(std::string& text, std::size_t capacity,
                       unsigned* helpContext = nullptr) const override;
};

// Memory could not be had: "Out of memory."
class CMemoryException : public CException {
 public:
  bool GetErrorMessage(std::string& text, std::size_t capacity,
                       unsigned* helpContext = nullptr) const override;
};

// A failed file operation: cause (0 to 14), system error code (-1 when none) and file name.
class CFileException : public CException {
 public:
  enum Cause {
    none = 0,
    genericException = 1,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    invalidFile = 6,
    removeCurrentDir = 7,
    directoryFull = 8,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    lockViolation = 12,
    diskFull = 13,
    endOfFile = 14,
    // Beyond the framework's causes, where its texts would mislead.
    fileTooLarge = 15,    // past the largest file of its file system or the file size limit
    notRegularFile = 16,  // a device, pipe or socket: opening or reading it could wait for ever
  };

  CFileException(int cause = none, long osError = -1, std::string fileName = {});

  // String 61856 + cause with %1 = the file name; the help context is the same number.
  bool GetErrorMessage(std::string& text, std::size_t capacity,
                       unsigned* helpContext = nullptr) const override;

  int cause;
  long osError;
  std::string fileName;
};

// An application error with its finished message text; an empty text is a silent failure.
class CAppException : public CException {
 public:
  // A value below 0x10000 is a string id whose text is loaded; text otherwise.
  explicit CAppException(unsigned stringId);
  explicit CAppException(std::string text);

  bool GetErrorMessage(std::string& text, std::size_t capacity,
                       unsigned* helpContext = nullptr) const override;

  int messageBoxType = -1;  // -1: the reporter's type is used
  std::string message;
};

// A system error code with its data text (usually a path), shown under the system's text.
class CSystemErrorException : public CException {
 public:
  CSystemErrorException(platform::ErrorCode code = 0, std::string data = {});

  // "Error #%1: %2" or "Error #%1: %2\n\nData: %3", cut to the capacity as the report
  // buffer requires.
  bool GetErrorMessage(std::string& text, std::size_t capacity,
                       unsigned* helpContext = nullptr) const override;

  platform::ErrorCode errorCode;
  std::string dataText;
};

// Loads the string, fills %1, %2... with the arguments and throws it; an id that is not in
// the table throws an empty (silent) message.
[[noreturn]] void ThrowAppException(unsigned stringId,
                                    std::initializer_list<std::string_view> args = {});
[[noreturn]] void ThrowSystemError(platform::ErrorCode code, std::string_view data = {});
[[noreturn]] void ThrowUserAbort();
[[noreturn]] void ThrowMemoryError();
