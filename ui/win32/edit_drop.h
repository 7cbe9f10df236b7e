#pragma once
// EditDrop: a path box that takes a file dropped from the shell. In folder mode a dropped
// file gives its folder.

#include <string>

#include "ui/win32/windows_ui.h"

class EditDrop {
 public:
  explicit EditDrop(bool folderMode = false) : folderMode_(folderMode) {}
  EditDrop(const EditDrop&) = delete;
  EditDrop& operator=(const EditDrop&) = delete;

  // Takes over the edit box `id` of `dialog` (its template gives it the accepts-files style).
  void Attach(HWND dialog, int id);
  HWND Handle() const { return handle_; }

  // What the box shows for a dropped path.
  static std::string DroppedText(const std::string& path, bool folderMode, bool isFolder);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR data);
  void OnDrop(HDROP drop);

  bool folderMode_;
  HWND handle_ = nullptr;
};
