#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/win32/window_test_support.h"

// After <windows.h>, which it needs.
#include <commctrl.h>

namespace {

INT_PTR CALLBACK PlainDialog(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

std::string ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return platform::Narrow(name);
}

// Other programs find the page's controls by id and label: every one is where it is expected.
TEST(SplitPageTemplate, HoldsEveryControlWithItsLabel) {
  const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
  // A page is a child window: it needs a parent.
  HWND parent =
      CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  HWND page = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SPLIT_PAGE),
                                 parent, PlainDialog, 0);
  ASSERT_NE(page, nullptr);
  struct Control {
    int id;
    const char* className;
    const char* text;  // nullptr: not checked
  };
  const Control controls[] = {
      {3003, "Edit", ""},
      {3004, "Button", nullptr},
      {3010, "Button", "U&se the source folder"},
      {3005, "Edit", ""},
      {3006, "Button", nullptr},
      {3009, "Button", "&Use the source file name"},
      {3013, "Edit", ""},
      {3008, "Button", "Prompt before over&writing files"},
      {IDC_SELF_EXTRACTING, "Button", "Create self-extracting pac&kages"},
      {IDC_BY_COUNT, "Button", "&Number of split files:"},
      {IDC_BY_SIZE, "Button", "Split files ma&x. byte size:"},
      {3011, "Edit", nullptr},
      {IDC_FILE_COUNT_SPIN, "msctls_updown32", nullptr},
      {3014, "ComboBox", nullptr},
      {IDC_SET_TO_FREE_SPACE, "Button", "S&et to Destination Free Space"},
      {IDC_WRITE_CHECKSUMS, "Button", "Wri&te SHA-256 checksums"},
      {IDC_RECOVERY, "Button", "Add &recovery files:"},
      {IDC_RECOVERY_PERCENT, "Edit", nullptr},
      {IDC_RECOVERY_VOLUMES, "Edit", ""},
      {3012, "Edit", ""},
      {3007, "Edit", ""},
      {3001, "Edit", ""},
      {3039, "Edit", ""},
      {3040, "Edit", ""},
      {3002, "msctls_progress32", nullptr},
      {3042, "Button", "Beep when done"},
  };
  for (const Control& control : controls) {
    SCOPED_TRACE(control.id);
    HWND item = GetDlgItem(page, control.id);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(ClassName(item), control.className);
    if (control.text != nullptr) {
      EXPECT_EQ(test::WindowText(item), control.text);
    }
  }
  EXPECT_EQ(test::WindowText(page), "Split");
  EXPECT_EQ(GetWindowLongW(GetDlgItem(page, 3014), GWL_STYLE) & 3, CBS_DROPDOWN);
  EXPECT_EQ(
      reinterpret_cast<HWND>(SendDlgItemMessageW(page, IDC_FILE_COUNT_SPIN, UDM_GETBUDDY, 0, 0)),
      GetDlgItem(page, 3011));
  DestroyWindow(parent);
}

}  // namespace
