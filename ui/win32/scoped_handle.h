#pragma once
// Owners for the handles the windows hold, so that every icon, font, module and COM object
// is released on every path.

#include <utility>

#include "ui/win32/windows_ui.h"

template <typename Traits>
class ScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : handle_(handle) {}
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Take()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) Reset(other.Take());
    return *this;
  }
  ~ScopedHandle() { Reset(); }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }
  Handle Take() { return std::exchange(handle_, Handle{}); }
  void Reset(Handle handle = Handle{}) {
    if (handle_ != Handle{}) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_{};
};

struct IconTraits {
  using Handle = HICON;
  static void Close(HICON icon) { DestroyIcon(icon); }
};
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static void Close(HGDIOBJ object) { DeleteObject(object); }
};
struct FontTraits {
  using Handle = HFONT;
  static void Close(HFONT font) { DeleteObject(font); }
};
struct ModuleTraits {
  using Handle = HMODULE;
  static void Close(HMODULE module) { FreeLibrary(module); }
};
struct DeviceContextTraits {
  using Handle = HDC;
  static void Close(HDC context) { DeleteDC(context); }
};
struct ShellItemListTraits {
  using Handle = PIDLIST_ABSOLUTE;
  static void Close(PIDLIST_ABSOLUTE list) { CoTaskMemFree(list); }
};
struct DropTraits {
  using Handle = HDROP;
  static void Close(HDROP drop) { DragFinish(drop); }
};

using ScopedIcon = ScopedHandle<IconTraits>;
using ScopedFont = ScopedHandle<FontTraits>;
using ScopedModule = ScopedHandle<ModuleTraits>;
using ScopedDeviceContext = ScopedHandle<DeviceContextTraits>;
using ScopedItemList = ScopedHandle<ShellItemListTraits>;
using ScopedDrop = ScopedHandle<DropTraits>;

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
