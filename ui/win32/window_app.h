#pragma once
// WindowApp: the start, the run and the end of a window program.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/scoped_handle.h"
#include "settings/app_preferences.h"
#include "ui/console/app.h"
#include "ui/win32/property_page.h"

class MainSheet;

// What makes one window program differ from the other.
struct WindowProgram {
  ProgramKind kind;
  // Tab 0: the Split page (full program) or the information page (lite program).
  std::function<std::unique_ptr<PropertyPage>(AppPreferences&)> makeSplitTab;
  // The Help command, owned by `owner`. (Both programs show the same About box.)
  std::function<void(HWND owner)> showHelp;
};

class WindowApp {
 public:
  explicit WindowApp(WindowProgram program);
  ~WindowApp();

  // Start-up: checks, preferences, the start page and the window. False when the program
  // must end at once (what went wrong was shown, where there is something to show).
  bool InitInstance(const std::vector<std::string>& arguments);
  // After the message loop: the preferences are saved.
  int ExitInstance(int loopResult);

  AppPreferences& Prefs() { return prefs_; }
  MainSheet* Sheet() const { return sheet_.get(); }

 private:
  void Start(const std::vector<std::string>& arguments);
  void CreateInterfaceFont();
  void CreateSheet(int startPage, const std::string& startPath);

  WindowProgram program_;
  AppPreferences prefs_;
  platform::ScopedFont font_;
  std::unique_ptr<MainSheet> sheet_;
};

// The whole run of a window program: start-up, the message loop and the end.
int RunWindowProgram(WindowProgram program, const std::vector<std::string>& arguments);

// The last active popup of the main window: the owner of the Help and About dialogs.
HWND CommandOwner();
