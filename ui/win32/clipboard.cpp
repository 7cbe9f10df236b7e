#include "ui/win32/clipboard.h"

#include <cstring>

#include "ui/win32/window.h"

namespace {

// The clipboard is open for as long as this lives.
class OpenClipboardScope {
 public:
  explicit OpenClipboardScope(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~OpenClipboardScope() {
    if (open_) CloseClipboard();
  }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
  bool IsOpen() const { return open_; }

 private:
  bool open_;
};

// Moveable memory that the clipboard owns once it takes it.
class ClipboardMemory {
 public:
  explicit ClipboardMemory(std::size_t size) : memory_(GlobalAlloc(GMEM_MOVEABLE, size)) {}
  ~ClipboardMemory() {
    if (memory_ != nullptr) GlobalFree(memory_);
  }
  ClipboardMemory(const ClipboardMemory&) = delete;
  ClipboardMemory& operator=(const ClipboardMemory&) = delete;

  bool Fill(const void* bytes, std::size_t size) {
    if (memory_ == nullptr) return false;
    void* target = GlobalLock(memory_);
    if (target == nullptr) return false;
    std::memcpy(target, bytes, size);
    GlobalUnlock(memory_);
    return true;
  }
  bool GiveTo(UINT format) {
    if (SetClipboardData(format, memory_) == nullptr) return false;
    memory_ = nullptr;
    return true;
  }

 private:
  HGLOBAL memory_;
};

}  // namespace

bool PutTextOnClipboard(HWND owner, const std::string& text) {
  const std::wstring wide = Window::WithCarriageReturns(Widen(text));
  const std::size_t size = (wide.size() + 1) * sizeof(wchar_t);
  ClipboardMemory memory(size);
  if (!memory.Fill(wide.c_str(), size)) return false;
  const OpenClipboardScope clipboard(owner);
  if (!clipboard.IsOpen() || !EmptyClipboard()) return false;
  return memory.GiveTo(CF_UNICODETEXT);
}
