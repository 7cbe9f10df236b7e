#pragma once
// Owners for the system's handles, so that every file, search, registry key, GDI object, icon
// and module is released on every path.

#include <utility>

#include "platform/win32/windows_support.h"

namespace platform {

// `Traits` names the handle type and its Close; a traits type whose handles are empty at a
// value other than zero (INVALID_HANDLE_VALUE) gives it as Empty().
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
  explicit operator bool() const { return handle_ != Empty(); }
  Handle Take() { return std::exchange(handle_, Empty()); }
  void Reset(Handle handle = Empty()) {
    if (handle_ != Empty()) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  static Handle Empty() {
    if constexpr (requires { Traits::Empty(); }) {
      return Traits::Empty();
    } else {
      return Handle{};
    }
  }

  Handle handle_ = Empty();
};

struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE file) { CloseHandle(file); }
};
struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE search) { FindClose(search); }
};
struct RegistryKeyTraits {
  using Handle = HKEY;
  static void Close(HKEY key) { RegCloseKey(key); }
};
// Fonts, bitmaps and brushes: each of its own type, all deleted alike.
template <typename Object>
struct GdiObjectTraits {
  using Handle = Object;
  static void Close(Object object) { DeleteObject(object); }
};
struct IconTraits {
  using Handle = HICON;
  static void Close(HICON icon) { DestroyIcon(icon); }
};
struct ModuleTraits {
  using Handle = HMODULE;
  static void Close(HMODULE module) { FreeLibrary(module); }
};
// A memory or information context (CreateCompatibleDC, CreateIC), not a window's.
struct DeviceContextTraits {
  using Handle = HDC;
  static void Close(HDC context) { DeleteDC(context); }
};

using ScopedFile = ScopedHandle<FileHandleTraits>;
using ScopedFind = ScopedHandle<FindHandleTraits>;
using ScopedRegistryKey = ScopedHandle<RegistryKeyTraits>;
using ScopedFont = ScopedHandle<GdiObjectTraits<HFONT>>;
using ScopedBitmap = ScopedHandle<GdiObjectTraits<HBITMAP>>;
using ScopedBrush = ScopedHandle<GdiObjectTraits<HBRUSH>>;
using ScopedIcon = ScopedHandle<IconTraits>;
using ScopedModule = ScopedHandle<ModuleTraits>;
using ScopedDeviceContext = ScopedHandle<DeviceContextTraits>;

}  // namespace platform
