#include "tests/win32/window_test_support.h"

#include <cstdlib>
#include <utility>

// After <windows.h>, which it needs.
#include <commctrl.h>

namespace test {

void FlushMessages(int milliseconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (GetTickCount64() < end);
}

std::string WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return platform::Narrow(text);
}

std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

namespace {
std::function<void()> g_modalAction;

// PW_TEST_PAUSE_MS keeps each window open that long, for a screenshot.
UINT PauseMilliseconds(UINT otherwise) {
  const char* pause = std::getenv("PW_TEST_PAUSE_MS");
  return pause != nullptr ? static_cast<UINT>(std::strtoul(pause, nullptr, 10)) : otherwise;
}

std::function<bool()> g_modalReady;
int g_modalLooksLeft = 0;

void CALLBACK RunModalAction(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (g_modalReady && !g_modalReady() && --g_modalLooksLeft > 0) {
    SetTimer(nullptr, 0, 100, RunModalAction);
    return;
  }
  g_modalReady = nullptr;
  std::function<void()> action = std::exchange(g_modalAction, nullptr);
  if (action) action();
}
}  // namespace

INT_PTR WhileModal(const std::function<INT_PTR()>& show, std::function<void()> action) {
  return WhileModalOnceReady(show, nullptr, std::move(action));
}

INT_PTR WhileModalOnceReady(const std::function<INT_PTR()>& show, std::function<bool()> ready,
                            std::function<void()> action) {
  g_modalAction = std::move(action);
  g_modalReady = std::move(ready);
  g_modalLooksLeft = 300;
  SetTimer(nullptr, 0, PauseMilliseconds(100), RunModalAction);
  return show();
}

namespace {

struct FoundWindow {
  DWORD process;
  HWND window;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM data) {
  auto& found = *reinterpret_cast<FoundWindow*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != found.process || !IsWindowVisible(window)) return TRUE;
  found.window = window;
  return FALSE;
}

}  // namespace

StartedProgram::StartedProgram(const std::string& commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring line = platform::Widen(commandLine);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process_)) {
    return;
  }
  // Until the program waits for input it may still be setting its window up, and would undo
  // what a test does to it meanwhile (on a busy machine it did).
  WaitForInputIdle(process_.hProcess, 30'000);
  FoundWindow found{process_.dwProcessId, nullptr};
  for (int tries = 0; tries < 300 && found.window == nullptr; ++tries) {
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&found));
    if (found.window == nullptr) Sleep(100);
  }
  window_ = found.window;
}

StartedProgram::~StartedProgram() {
  if (process_.hProcess == nullptr) return;
  if (!WaitForEnd(30'000)) EndAbruptly();
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

HWND StartedProgram::ActivePage() const {
  return reinterpret_cast<HWND>(SendMessageW(window_, PSM_GETCURRENTPAGEHWND, 0, 0));
}

bool StartedProgram::WaitForEnd(DWORD milliseconds) const {
  return WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

void StartedProgram::EndAbruptly() const { TerminateProcess(process_.hProcess, 1); }

}  // namespace test
