#include "ui/win32/message_loop.h"

namespace {

const ModelessSheet* keyboardWindow = nullptr;

}  // namespace

void SetKeyboardWindow(const ModelessSheet* sheet) { keyboardWindow = sheet; }

void DispatchQueuedMessage(MSG& message) {
  if (keyboardWindow != nullptr && keyboardWindow->PreTranslate(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

int RunMessageLoop() {
  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0 && got != -1) {
    DispatchQueuedMessage(message);
  }
  return got == 0 ? static_cast<int>(message.wParam) : 1;
}

bool PumpWaitingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return true;
    }
    DispatchQueuedMessage(message);
  }
  return false;
}
