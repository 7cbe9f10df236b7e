#pragma once
// The operation host of a page: the status surface in the page's controls and the main
// window's title, questions as message boxes owned by the main window, the location prompt,
// the message pump, the Escape key and the clock.

#include <cstdint>
#include <functional>
#include <string>

#include "engine/operation_host.h"
#include "ui/win32/dialog.h"
#include "ui/win32/taskbar_progress.h"

// What the window programs take from the system that tests replace: the clock and the beep.
struct WindowServices {
  std::function<std::uint64_t()> tickCount;
  std::function<void()> beep;
};
WindowServices& Services();

class WindowHost : public OperationHost {
 public:
  // `page` shows the status; `mainWindow` owns the questions and shows the caption.
  WindowHost(const Dialog& page, HWND mainWindow);

  void SetStatusText(const std::string& text) override;
  void SetProgress(int percent) override;
  void SetCaption(const std::string& caption) override;
  void SetTimingLine(const std::string& text) override;
  void SetTransferLine(const std::string& text) override;
  std::string TimingLine() const override;
  std::string TransferLine() const override;

  int AskQuestion(const std::string& text, unsigned boxType) override;
  LocationAnswer PromptLocation(LocationMode mode, std::string& path,
                                const std::string& reason) override;

  bool PumpMessages() override;
  bool EscapeKeyDown() override;
  bool MainWindowExists() override;
  std::uint64_t TickCount() override;

  // The taskbar button shows that the operation failed.
  void ShowFailure();

 private:
  const Dialog& page_;
  HWND mainWindow_;
  TaskbarProgress taskbar_;
};
