#pragma once
// The main and only top-level window of both programs, a modeless property sheet with
// the Split tab and the Merge tab and a row of five buttons under them.

#include <functional>
#include <memory>
#include <string>

#include "settings/app_preferences.h"
#include "ui/win32/modeless_sheet.h"

// What differs between the two programs' sheets.
struct SheetSetup {
  explicit SheetSetup(AppPreferences& preferences) : prefs(preferences) {}

  AppPreferences& prefs;
  bool lite = false;                // PartwellLite: tab 0 is the information page
  HFONT font = nullptr;             // the user-interface font, when there is one
  std::function<void()> showHelp;   // the Help button
  std::function<void()> showAbout;  // the About button and the system menu's entry
  bool quitOnDestroy = true;        // the program ends with the window (not in tests)
};

class MainSheet : public ModelessSheet {
 public:
  // `splitTab` is tab 0 (the Split page or the lite information page), `mergePage` tab 1.
  MainSheet(SheetSetup setup, std::unique_ptr<PropertyPage> splitTab,
            std::unique_ptr<PropertyPage> mergePage);
  ~MainSheet() override;

  // The application's sheet, for the pages and the operation host; null when there is none.
  static MainSheet* Current();

  // The file to load when the window opens: the command line's file, or the running program
  // after a self-extracting start.
  void SetStartPath(std::string path) { startPath_ = std::move(path); }

  // Creates the window (hidden) on `startPage` and lays it out; Show puts it on screen.
  void CreateWindowOn(int startPage);
  void Show() const;

  // The button row, for the pages: the action button's label and state, Verify Files.
  Window ActionButton() const { return Window(buttons_[1]); }
  Window VerifyButton() const { return Window(buttons_[0]); }
  Window CloseButton() const { return Window(buttons_[2]); }
  Window HelpButton() const { return Window(buttons_[3]); }
  Window AboutButton() const { return Window(buttons_[4]); }
  // "&Split" or "&Merge" on the action button, Verify Files only on the Merge page.
  void ShowButtonsFor(bool mergePage) const;

  bool IsLite() const { return setup_.lite; }
  HFONT Font() const { return setup_.font; }

  // The close request: asks first while an operation runs; true when the window went.
  bool RequestClose();

 protected:
  void OnInit() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void CreateButtons();
  void EditSystemMenu() const;
  void RestorePlacement() const;
  void RecordPlacement() const;
  bool OnCommand(int id);
  bool PaintMinimised() const;
  void OnSettingChange(LPARAM lParam) const;

  SheetSetup setup_;
  std::unique_ptr<PropertyPage> splitTab_, mergePage_;
  std::string startPath_;
  HWND buttons_[5] = {};  // Verify Files, action, Close, Help, About: left to right
};

// Gives a window and all its descendants the font (nothing when there is none).
void ApplyFontToTree(HWND window, HFONT font);
