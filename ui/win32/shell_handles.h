#pragma once
// Owners for what the shell and COM hand the windows: item lists, dropped files and interface
// pointers, released on every path like the system's handles (platform/win32/scoped_handle.h).

#include "platform/win32/scoped_handle.h"
#include "ui/win32/windows_ui.h"

struct ShellItemListTraits {
  using Handle = PIDLIST_ABSOLUTE;
  static void Close(PIDLIST_ABSOLUTE list) { CoTaskMemFree(list); }
};
struct DropTraits {
  using Handle = HDROP;
  static void Close(HDROP drop) { DragFinish(drop); }
};

using ScopedItemList = platform::ScopedHandle<ShellItemListTraits>;
using ScopedDrop = platform::ScopedHandle<DropTraits>;

// A COM interface pointer, released when it goes.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { Reset(); }
  Interface* Get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  Interface** Receive() {
    Reset();
    return &pointer_;
  }
  void Reset() {
    if (pointer_ != nullptr) pointer_->Release();
    pointer_ = nullptr;
  }

 private:
  Interface* pointer_ = nullptr;
};
