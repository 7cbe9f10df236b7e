#include "ui/win32/busy_window_scope.h"

#include <algorithm>

#include "base/message_format.h"
#include "res/resource.h"
#include "ui/win32/window.h"

namespace {

// The buttons that stay usable during an operation: Help (both programs), About, Close.
constexpr int kKeptEnabled[] = {ID_HELP_LITE, ID_HELP_CONTENTS, ID_APP_ABOUT, ID_APP_EXIT};

struct ChildUpdate {
  bool enable;
};

BOOL CALLBACK UpdateChild(HWND child, LPARAM data) {
  const auto& update = *reinterpret_cast<const ChildUpdate*>(data);
  if (!IsWindowVisible(child)) return TRUE;
  const int id = GetDlgCtrlID(child);
  if (!update.enable && std::ranges::find(kKeptEnabled, id) != std::end(kKeptEnabled)) return TRUE;
  EnableWindow(child, update.enable ? TRUE : FALSE);
  return TRUE;
}

// The direct children of `window` only: a disabled page disables what it holds.
void UpdateChildren(HWND window, bool enable) {
  const ChildUpdate update{enable};
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    UpdateChild(child, reinterpret_cast<LPARAM>(&update));
  }
}

// The Close button with its command id and label of the moment.
void RelabelCloseButton(HWND mainWindow, int fromId, int toId, int labelPart) {
  const HWND button = GetDlgItem(mainWindow, fromId);
  if (button == nullptr) return;
  SetWindowLongPtrW(button, GWLP_ID, toId);
  Window(button).SetText(LoadStringPart(IDS_CANCEL_CLOSE, labelPart));
}

}  // namespace

BusyWindowScope::BusyWindowScope(HWND mainWindow, OperationHost& host)
    : mainWindow_(mainWindow), scope_(host) {
  if (!IsWindow(mainWindow_)) return;
  UpdateChildren(mainWindow_, false);
  RelabelCloseButton(mainWindow_, ID_APP_EXIT, ID_CANCEL_OPERATION, 0);
}

BusyWindowScope::~BusyWindowScope() {
  if (!IsWindow(mainWindow_)) return;
  UpdateChildren(mainWindow_, true);
  RelabelCloseButton(mainWindow_, ID_CANCEL_OPERATION, ID_APP_EXIT, 1);
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}
