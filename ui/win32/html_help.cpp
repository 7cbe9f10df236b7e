#include "ui/win32/html_help.h"

#include "base/exceptions.h"
#include "platform/files.h"
#include "platform/system_info.h"

namespace {

constexpr UINT kHelpDisplayTopic = 0x0000;  // HH_DISPLAY_TOPIC
constexpr UINT kHelpCloseAll = 0x0012;      // HH_CLOSE_ALL
using HtmlHelpFunction = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);

// The viewer lives in hhctrl.ocx, for which MinGW has no import library we can count on. It
// is loaded once and kept: its windows run in this process.
HtmlHelpFunction HtmlHelpEntry(bool load) {
  static HtmlHelpFunction entry = nullptr;
  if (entry == nullptr && load) {
    if (HMODULE module = LoadLibraryW(L"hhctrl.ocx")) {
      entry = reinterpret_cast<HtmlHelpFunction>(
          reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpW")));
    }
  }
  return entry;
}

}  // namespace

std::string ProgramHelpFile() {
  std::string program;
  if (platform::ErrorCode error = platform::ModuleFilePath(program)) ThrowSystemError(error);
  const std::size_t dot = program.find_last_of('.');
  const std::size_t name = program.find_last_of("\\/");
  if (dot != std::string::npos && (name == std::string::npos || dot > name)) program.erase(dot);
  return program + ".CHM";
}

HWND ShowHtmlHelp(HWND owner, const std::string& helpFile) {
  const HtmlHelpFunction htmlHelp = HtmlHelpEntry(true);
  if (htmlHelp == nullptr) ThrowSystemError(GetLastError());
  if (!platform::FileExists(helpFile)) ThrowSystemError(ERROR_FILE_NOT_FOUND, helpFile);
  HWND window = htmlHelp(owner, platform::Widen(helpFile).c_str(), kHelpDisplayTopic, 0);
  if (window != nullptr) SetForegroundWindow(window);
  return window;
}

void CloseHtmlHelp() {
  if (const HtmlHelpFunction htmlHelp = HtmlHelpEntry(false)) {
    htmlHelp(nullptr, nullptr, kHelpCloseAll, 0);
  }
}
