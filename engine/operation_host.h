#pragma once
// The one interface through which a running operation talks to whatever shows it: a page of
// the window, the console, or a test. The engine never shows anything itself; everything it
// needs from a window - the status surface, questions, the location prompt, the message pump,
// the Escape key and the clock - comes through here.

#include <cstdint>
#include <string>

// Answers to a question: the button ids of the platform's message box.
inline constexpr int kButtonOk = 1;
inline constexpr int kButtonCancel = 2;
inline constexpr int kButtonRetry = 4;
inline constexpr int kButtonYes = 6;
inline constexpr int kButtonNo = 7;

// Message-box types the program uses (the Win32 MB_* values).
inline constexpr unsigned kBoxIconError = 0x10;
inline constexpr unsigned kBoxIconQuestion = 0x20;
inline constexpr unsigned kBoxIconExclamation = 0x30;
inline constexpr unsigned kBoxSystemModal = 0x1000;
inline constexpr unsigned kBoxYesNo = 0x04;
inline constexpr unsigned kBoxRetryCancel = 0x05;
inline constexpr unsigned kBoxOk = 0x00;

// What the "Select Another Location" prompt asks for.
enum class LocationMode { folder, file };

// How the "Select Another Location" prompt ended.
enum class LocationAnswer {
  ok = 1,           // the path holds the chosen location
  cancel = 2,       // the path is left alone
  pathTooLong = 3,  // the chosen path has 260 UTF-16 units or more; the path is left alone
};

class OperationHost {
 public:
  virtual ~OperationHost() = default;

  // The status surface: five outputs, each keeping the last value set.
  virtual void SetStatusText(const std::string& text) = 0;
  virtual void SetProgress(int percent) = 0;  // 0 to 100
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetTimingLine(const std::string& text) = 0;
  virtual void SetTransferLine(const std::string& text) = 0;
  // The lines as last set, so that a line is replaced only when its text changes.
  virtual std::string TimingLine() const = 0;
  virtual std::string TransferLine() const = 0;

  // A message box: the text and its type (the kBox* values above, for
  // example kBoxYesNo | kBoxIconQuestion). Returns the button pressed (kButton*).
  virtual int AskQuestion(const std::string& text, unsigned boxType) = 0;

  // The "Select Another Location" prompt. The path field starts with `path`; the message
  // field shows "Reason: " followed by `reason`. In file mode the chooser offers package
  // pieces. On OK the chosen path is written back; in folder mode it then ends with a
  // folder separator.
  virtual LocationAnswer PromptLocation(LocationMode mode, std::string& path,
                                        const std::string& reason) = 0;

  // Handles every window message that is waiting, one at a time. Returns true when one of
  // them asked the program to quit; the request has then been posted again, so that the
  // program's main loop sees it too.
  virtual bool PumpMessages() = 0;
  // The Escape key is held down at this moment.
  virtual bool EscapeKeyDown() = 0;
  // The main window has not been destroyed (closing it during an operation ends the program).
  virtual bool MainWindowExists() = 0;

  // Milliseconds from a monotonic 64-bit counter that never wraps.
  virtual std::uint64_t TickCount() = 0;
};
