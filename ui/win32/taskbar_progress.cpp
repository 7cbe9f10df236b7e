#include "ui/win32/taskbar_progress.h"

TaskbarProgress::TaskbarProgress(HWND window) : window_(window) {
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                              reinterpret_cast<void**>(taskbar_.Receive())))) {
    taskbar_.Reset();
  } else if (FAILED(taskbar_->HrInit())) {
    taskbar_.Reset();
  }
}

TaskbarProgress::~TaskbarProgress() {
  if (taskbar_ && !failed_ && IsWindow(window_))
    taskbar_->SetProgressState(window_, TBPF_NOPROGRESS);
}

void TaskbarProgress::Show(int percent) {
  if (!taskbar_ || !IsWindow(window_)) return;
  if (percent <= 0 || percent >= 100) {
    taskbar_->SetProgressState(window_, TBPF_NOPROGRESS);
    return;
  }
  taskbar_->SetProgressState(window_, TBPF_NORMAL);
  taskbar_->SetProgressValue(window_, static_cast<ULONGLONG>(percent), 100);
}

void TaskbarProgress::ShowFailure() {
  if (!taskbar_ || !IsWindow(window_)) return;
  failed_ = true;
  taskbar_->SetProgressState(window_, TBPF_ERROR);
  taskbar_->SetProgressValue(window_, 100, 100);
}
