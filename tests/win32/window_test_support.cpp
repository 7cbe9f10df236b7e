#include "tests/win32/window_test_support.h"

#include <cstdlib>
#include <utility>

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

void CALLBACK RunModalAction(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  std::function<void()> action = std::exchange(g_modalAction, nullptr);
  if (action) action();
}
}  // namespace

INT_PTR WhileModal(const std::function<INT_PTR()>& show, std::function<void()> action) {
  g_modalAction = std::move(action);
  SetTimer(nullptr, 0, PauseMilliseconds(100), RunModalAction);
  return show();
}

}  // namespace test
