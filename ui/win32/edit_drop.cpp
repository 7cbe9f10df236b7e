#include "ui/win32/edit_drop.h"

#include <vector>

#include "base/path_text.h"
#include "platform/files.h"
#include "ui/error_report.h"
#include "ui/win32/exception_guard.h"
#include "ui/win32/message_box.h"
#include "ui/win32/shell_handles.h"
#include "ui/win32/window.h"

namespace {

constexpr UINT_PTR kSubclassId = 3;
constexpr std::size_t kMaxDroppedPath = 1040;  // UTF-16 units, with the terminating null

}  // namespace

void EditDrop::Attach(HWND dialog, int id) {
  handle_ = GetDlgItem(dialog, id);
  if (handle_ != nullptr) {
    SetWindowSubclass(handle_, Procedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  }
}

std::string EditDrop::DroppedText(const std::string& path, bool folderMode, bool isFolder) {
  if (!folderMode) return path;
  std::string text = isFolder ? path : FolderPart(path);
  if (text.empty() || text.back() == '\\' || text.back() == '/') return text;
  if (Widen(text).size() < kMaxDroppedPath - 1) {
    text += text.find('/') != std::string::npos ? '/' : '\\';
  }
  return text;
}

LRESULT CALLBACK EditDrop::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<EditDrop*>(data);
  switch (message) {
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, Procedure, kSubclassId);
      self->handle_ = nullptr;
      break;
    case WM_DROPFILES: {
      // The drop is finished on every path, also when showing it fails.
      const ScopedDrop drop(reinterpret_cast<HDROP>(wParam));
      CallGuarded(GetAncestor(window, GA_ROOT), 0, [&] {
        self->OnDrop(drop.Get());
        return 0;
      });
      return 0;
    }
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

void EditDrop::OnDrop(HDROP drop) {
  std::vector<wchar_t> path(kMaxDroppedPath, L'\0');
  if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 0 ||
      DragQueryFileW(drop, 0, path.data(), static_cast<UINT>(path.size())) == 0) {
    ShowErrorReport(GetAncestor(handle_, GA_ROOT), SystemErrorBox(GetLastError()));
    return;
  }
  const std::string dropped = Narrow(path.data());
  const Window box(handle_);
  box.SetText(DroppedText(dropped, folderMode_, folderMode_ && platform::FolderExists(dropped)));
  const int end = GetWindowTextLengthW(handle_);
  box.Send(EM_SETSEL, static_cast<WPARAM>(end), end);
  box.Send(EM_SCROLLCARET);
  SetForegroundWindow(GetAncestor(handle_, GA_ROOT));
}
