#pragma once
// The operation host of a page: the status surface in the page's controls and the main
// window's title, questions as message boxes owned by the main window, the location prompt,
// the message pump, the Escape key and the clock.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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
  // The title the main window had before the operation named itself there.
  ~WindowHost() override;
  WindowHost(const WindowHost&) = delete;
  WindowHost& operator=(const WindowHost&) = delete;

  // What the operation does to which file ("Splitting film.avi"): from now on the title shows
  // it with the progress ("42% - Splitting film.avi") in place of the engine's caption.
  void NameActivity(const std::string& activity);

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

  // What the answers to the prompts for package files were: the folders of the files chosen,
  // and the reason of the one declined.
  const std::vector<std::string>& FoldersChosen() const { return foldersChosen_; }
  const std::optional<std::string>& DeclinedPiece() const { return declinedPiece_; }
  // The operation got as far as reading data (its progress went past 0).
  bool ReadData() const { return readData_; }

 private:
  void ShowActivity(int percent);

  const Dialog& page_;
  HWND mainWindow_;
  TaskbarProgress taskbar_;
  std::string activity_, titleBefore_;
  std::vector<std::string> foldersChosen_;
  std::optional<std::string> declinedPiece_;
  bool readData_ = false;
};
