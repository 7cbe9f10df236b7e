#include "ui/win32/window_app.h"

#include "base/exceptions.h"
#include "base/message_format.h"
#include "engine/operation_host.h"
#include "engine/package_reading.h"
#include "platform/system_info.h"
#include "platform/version_info.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "ui/error_report.h"
#include "ui/start_page.h"
#include "ui/win32/about_dialog.h"
#include "ui/win32/exception_guard.h"
#include "ui/win32/html_help.h"
#include "ui/win32/main_sheet.h"
#include "ui/win32/merge_page.h"
#include "ui/win32/message_box.h"
#include "ui/win32/message_loop.h"

namespace {

// The restart manager may start the program again after a crash or a hang, but not after an
// update or a reboot.
constexpr DWORD kRestartFlags = 12;  // RESTART_NO_PATCH | RESTART_NO_REBOOT

bool IsWindowsVistaOrLater() {
  OSVERSIONINFOEXW wanted{};
  wanted.dwOSVersionInfoSize = sizeof wanted;
  wanted.dwMajorVersion = 6;
  wanted.dwMinorVersion = 0;
  wanted.wServicePackMajor = 0;
  ULONGLONG condition = 0;
  condition = VerSetConditionMask(condition, VER_MAJORVERSION, VER_GREATER_EQUAL);
  condition = VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
  condition = VerSetConditionMask(condition, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
  return VerifyVersionInfoW(&wanted, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                            condition) != FALSE;
}

// The common controls and the rich-edit control; false when either is missing.
bool LoadControlLibraries() {
  INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
  if (!InitCommonControlsEx(&controls)) return false;
  // Loaded for the program's life: the help window's text is a rich-edit control.
  static const platform::ScopedModule richEdit(LoadLibraryW(L"RICHED20.DLL"));
  return static_cast<bool>(richEdit);
}

WindowApp* runningApp = nullptr;

}  // namespace

HWND CommandOwner() {
  const MainSheet* sheet = runningApp != nullptr ? runningApp->Sheet() : MainSheet::Current();
  if (sheet == nullptr || sheet->Handle() == nullptr) return nullptr;
  return GetLastActivePopup(sheet->Handle());
}

WindowApp::WindowApp(WindowProgram program)
    : program_(std::move(program)),
      prefs_(program_.kind == ProgramKind::full ? SettingsKey::Root::currentUser
                                                : SettingsKey::Root::none) {
  runningApp = this;
}

WindowApp::~WindowApp() {
  sheet_.reset();
  if (runningApp == this) runningApp = nullptr;
}

bool WindowApp::InitInstance(const std::vector<std::string>& arguments) {
  RegisterApplicationRestart(L"", kRestartFlags);
  try {
    Start(arguments);
    return sheet_ != nullptr;
  } catch (...) {
    sheet_.reset();
    try {
      throw;
    } catch (const CException& error) {
      ShowErrorReport(nullptr, ReportStartupError(error));
    } catch (const std::bad_alloc&) {
      ShowErrorReport(nullptr, ReportStartupError(CMemoryException()));
    } catch (...) {
      ShowErrorReport(nullptr, ReportStartupError(CAppException(IDS_INTERNAL_ERROR)));
    }
    return false;
  }
}

void WindowApp::Start(const std::vector<std::string>& arguments) {
  std::string ownPath;
  platform::VersionInfo version;
  if (const platform::ErrorCode code = platform::ReadOwnVersionInfo(ownPath, version)) {
    ThrowSystemError(code, ownPath);
  }
  const std::string title = LoadMessage(IDS_APP_TITLE).value_or("");
  if (!IsWindowsVistaOrLater()) {
    ShowMessage(nullptr, LoadMessage(IDS_OLD_WINDOWS).value_or(""), kBoxIconError);
    return;
  }
  if (!LoadControlLibraries()) return;
  // The folder browser and dropping from the shell want OLE on this thread.
  OleInitialize(nullptr);
  if (version.fixed) prefs_.currentVersion = version.fixed->productVersionMs;
  prefs_.BuildKeyPath(version.companyName, title);
  if (program_.kind == ProgramKind::full) prefs_.SetCommandLine(arguments);
  prefs_.LoadAtStart();

  std::string startPath = CommandLineFile(arguments);
  int startPage = StartPageFor(startPath, prefs_.page);
  if (program_.kind == ProgramKind::lite && IsSelfExtractingMaster()) {
    startPage = 1;
    startPath = ownPath;
  }
  CreateInterfaceFont();
  CreateSheet(startPage, startPath);
}

// The user-interface font: 8-point Segoe UI, else the system's default face at 8 points.
void WindowApp::CreateInterfaceFont() {
  LOGFONTW description{};
  const platform::ScopedDeviceContext screen(CreateICW(L"DISPLAY", nullptr, nullptr, nullptr));
  const int pixelsPerInch = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
  description.lfHeight = -MulDiv(8, pixelsPerInch, 72);
  description.lfCharSet = DEFAULT_CHARSET;
  description.lfQuality = CLEARTYPE_QUALITY;
  lstrcpynW(description.lfFaceName, L"Segoe UI", LF_FACESIZE);
  platform::ScopedFont font(CreateFontIndirectW(&description));
  if (!font && screen) {
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof description, &description);
    description.lfHeight = -MulDiv(8, pixelsPerInch, 72);
    const platform::ScopedFont fallback(CreateFontIndirectW(&description));
    const HGDIOBJ previous = SelectObject(screen.Get(), fallback.Get());
    GetTextFaceW(screen.Get(), LF_FACESIZE, description.lfFaceName);
    SelectObject(screen.Get(), previous);
    font.Reset(CreateFontIndirectW(&description));
  }
  font_ = std::move(font);
}

void WindowApp::CreateSheet(int startPage, const std::string& startPath) {
  SheetSetup setup(prefs_);
  setup.lite = program_.kind == ProgramKind::lite;
  setup.font = font_.Get();
  if (program_.showHelp) setup.showHelp = [this] { program_.showHelp(CommandOwner()); };
  setup.showAbout = [] { AboutDialog(OwnAboutText()).Run(CommandOwner()); };
  sheet_ = std::make_unique<MainSheet>(std::move(setup), program_.makeSplitTab(prefs_),
                                       std::make_unique<MergePage>(prefs_));
  sheet_->SetStartPath(startPath);
  sheet_->CreateWindowOn(startPage);
  SetKeyboardWindow(sheet_.get());
  sheet_->Show();
}

int WindowApp::ExitInstance(int loopResult) {
  SetKeyboardWindow(nullptr);
  sheet_.reset();
  // The help viewer's windows run in this process: they go with it.
  CloseHtmlHelp();
  try {
    prefs_.SaveAtExit();
  } catch (...) {
    ReportCurrentException(nullptr);
  }
  OleUninitialize();
  return loopResult;
}

int RunWindowProgram(WindowProgram program, const std::vector<std::string>& arguments) {
  SetApplicationTitle(program.kind == ProgramKind::full ? "Partwell" : "PartwellLite");
  WindowApp app(std::move(program));
  if (!app.InitInstance(arguments)) return 0;
  return app.ExitInstance(RunMessageLoop());
}
