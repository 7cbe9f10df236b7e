#include "ui/win32/window_host.h"

#include "base/message_format.h"
#include "base/path_text.h"
#include "platform/clock.h"
#include "res/resource.h"
#include "ui/win32/message_box.h"
#include "ui/win32/message_loop.h"

WindowServices& Services() {
  static WindowServices services{platform::TickCount64, [] { MessageBeep(MB_OK); }};
  return services;
}

WindowHost::WindowHost(const Dialog& page, HWND mainWindow)
    : page_(page), mainWindow_(mainWindow), taskbar_(mainWindow) {}

WindowHost::~WindowHost() {
  if (!activity_.empty() && MainWindowExists()) Window(mainWindow_).SetText(titleBefore_);
}

void WindowHost::NameActivity(const std::string& activity) {
  if (activity_.empty() && MainWindowExists()) titleBefore_ = Window(mainWindow_).Text();
  activity_ = activity;
  ShowActivity(0);
}

void WindowHost::ShowActivity(int percent) {
  if (activity_.empty() || !MainWindowExists()) return;
  Window(mainWindow_)
      .SetText(LoadMessage(IDS_TITLE_PROGRESS, {std::to_string(percent), activity_}).value_or(""));
}

void WindowHost::SetStatusText(const std::string& text) { page_.Item(IDC_STATUS).SetText(text); }

void WindowHost::SetProgress(int percent) {
  page_.Item(IDC_PROGRESS).Send(PBM_SETPOS, static_cast<WPARAM>(percent));
  taskbar_.Show(percent);
  if (percent > 0) readData_ = true;
  ShowActivity(percent);
}

void WindowHost::SetCaption(const std::string& caption) {
  if (activity_.empty() && MainWindowExists()) Window(mainWindow_).SetText(caption);
}

void WindowHost::SetTimingLine(const std::string& text) { page_.Item(IDC_TIMING).SetText(text); }

void WindowHost::SetTransferLine(const std::string& text) {
  page_.Item(IDC_TRANSFER).SetText(text);
}

std::string WindowHost::TimingLine() const { return page_.Item(IDC_TIMING).Text(); }

std::string WindowHost::TransferLine() const { return page_.Item(IDC_TRANSFER).Text(); }

int WindowHost::AskQuestion(const std::string& text, unsigned boxType) {
  return ActivePrompter().Ask(MainWindowExists() ? mainWindow_ : nullptr, text, boxType);
}

LocationAnswer WindowHost::PromptLocation(LocationMode mode, std::string& path,
                                          const std::string& reason) {
  const LocationAnswer answer = ActivePrompter().PromptLocation(
      MainWindowExists() ? mainWindow_ : nullptr, mode, path, reason);
  if (mode != LocationMode::file) return answer;
  if (answer != LocationAnswer::ok) {
    declinedPiece_ = reason;
  } else {
    AddSearchFolder(foldersChosen_, FolderPart(path));
  }
  return answer;
}

bool WindowHost::PumpMessages() { return PumpWaitingMessages(); }

// Escape pressed in another program's window is not meant for us.
bool WindowHost::EscapeKeyDown() {
  DWORD process = 0;
  GetWindowThreadProcessId(GetForegroundWindow(), &process);
  return process == GetCurrentProcessId() && (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0;
}

bool WindowHost::MainWindowExists() { return mainWindow_ != nullptr && IsWindow(mainWindow_); }

std::uint64_t WindowHost::TickCount() { return Services().tickCount(); }

void WindowHost::ShowFailure() { taskbar_.ShowFailure(); }
