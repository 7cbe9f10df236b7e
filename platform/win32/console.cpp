#include "platform/console.h"

#include <io.h>

#include <csignal>
#include <cstdint>
#include <cstdio>

#include "platform/interrupt_flags.h"
#include "platform/unicode.h"
#include "platform/win32/windows_support.h"

#include <shellapi.h>

namespace platform {
namespace {

// Set by the control handler, which the console runs on a thread of its own. It stays open for
// the program's life: the handler may run until the very end.
HANDLE interruptEvent = nullptr;

// The longest the system lets a program live after its console window is closed is five
// seconds; the operation uses them to stop and remove its partial output.
constexpr DWORD kCloseGraceMilliseconds = 4'500;

BOOL WINAPI OnConsoleControl(DWORD type) {
  switch (type) {
    case CTRL_C_EVENT:
      NoteInterrupt();
      break;
    case CTRL_BREAK_EVENT:
      NoteTermination(SIGTERM);
      break;
    case CTRL_CLOSE_EVENT:
      // The program ends when this returns: the main thread ends it sooner, once clean.
      NoteTermination(SIGTERM);
      if (interruptEvent != nullptr) SetEvent(interruptEvent);
      Sleep(kCloseGraceMilliseconds);
      return TRUE;
    default:
      return FALSE;
  }
  if (interruptEvent != nullptr) SetEvent(interruptEvent);
  return TRUE;
}

// The handle behind a C stream, so that a stream reopened on a file is followed.
HANDLE StreamHandle(FILE* stream) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

// A console, not merely a character device: the null device is none.
bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

void TrimLineBreak(std::string& line) {
  if (!line.empty() && line.back() == '\n') line.pop_back();
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

LineReadResult ReadConsoleLine(HANDLE input, const InterruptibleRead& pending, std::string& line) {
  std::wstring text;
  for (;;) {
    if (interruptEvent != nullptr) ResetEvent(interruptEvent);
    if (pending.Interrupted()) return LineReadResult::interrupted;
    wchar_t buffer[256];
    DWORD count = 0;
    if (!ReadConsoleW(input, buffer, 256, &count, nullptr) || count == 0) {
      // Ctrl-C ends a console read with nothing read, and the handler's thread runs only
      // afterwards: give it a moment to say whether that was the cause.
      if (interruptEvent != nullptr) WaitForSingleObject(interruptEvent, 500);
      return pending.Interrupted() ? LineReadResult::interrupted : LineReadResult::closed;
    }
    text.append(buffer, count);
    // Ctrl-Z at the start of a line is the console's end of input.
    if (text.front() == L'\x1a') return LineReadResult::closed;
    if (text.back() == L'\n') {
      line = Narrow(text);
      TrimLineBreak(line);
      return LineReadResult::line;
    }
  }
}

// A file or pipe, one byte at a time, so nothing after the line is taken.
LineReadResult ReadFileLine(HANDLE input, std::string& line) {
  for (;;) {
    char byte;
    DWORD count = 0;
    if (!ReadFile(input, &byte, 1, &count, nullptr) || count == 0) {
      return line.empty() ? LineReadResult::closed : LineReadResult::line;
    }
    line += byte;
    if (byte == '\n') {
      TrimLineBreak(line);
      return LineReadResult::line;
    }
  }
}

// A console gets the text as UTF-16, whatever its code page; a file or pipe gets the bytes.
void WriteToStream(FILE* stream, std::string_view text) {
  HANDLE handle = StreamHandle(stream);
  std::fflush(stream);
  if (IsConsole(handle)) {
    std::wstring wide = Widen(text);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
  }
}

}  // namespace

void UseParentConsole() {
  // The run-time library gives -1 or -2 for a stream without a handle.
  const auto HasHandle = [](FILE* stream) {
    const auto value = reinterpret_cast<std::intptr_t>(StreamHandle(stream));
    return value != -1 && value != -2 && value != 0;
  };
  const bool handed[] = {HasHandle(stdin), HasHandle(stdout), HasHandle(stderr)};
  if ((handed[0] && handed[1] && handed[2]) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
  // The run-time library opened no stream for a handle the program did not get.
  if (!handed[0]) (void)freopen("CONIN$", "r", stdin);
  if (!handed[1]) (void)freopen("CONOUT$", "w", stdout);
  if (!handed[2]) (void)freopen("CONOUT$", "w", stderr);
}

std::vector<std::string> CommandLineArguments(int, char**) {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return args;
  for (int i = 1; i < count; ++i) args.push_back(Narrow(wide[i]));
  LocalFree(wide);
  return args;
}

bool StandardInputIsTerminal() { return IsConsole(StreamHandle(stdin)); }

bool StandardErrorIsTerminal() { return IsConsole(StreamHandle(stderr)); }

std::optional<int> TerminalWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(StreamHandle(stderr), &info)) return std::nullopt;
  int width = info.srWindow.Right - info.srWindow.Left + 1;
  return width > 0 ? std::optional<int>(width) : std::nullopt;
}

void WriteToStandardError(std::string_view text) { WriteToStream(stderr, DisplayText(text)); }

void WriteToStandardOutput(std::string_view text) { WriteToStream(stdout, DisplayText(text)); }

LineReadResult ReadStandardInputLine(std::string& line) {
  line.clear();
  HANDLE input = StreamHandle(stdin);
  InterruptibleRead pending;
  if (IsConsole(input)) return ReadConsoleLine(input, pending, line);
  return ReadFileLine(input, line);
}

void InstallInterruptHandler() {
  if (interruptEvent == nullptr) interruptEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

}  // namespace platform
