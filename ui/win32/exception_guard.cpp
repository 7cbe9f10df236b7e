#include "ui/win32/exception_guard.h"

#include <exception>
#include <new>

#include "base/exceptions.h"
#include "res/resource.h"
#include "ui/error_report.h"
#include "ui/win32/message_box.h"

void ReportCurrentException(HWND owner) {
  // The owner may be a window that is going away; the box then belongs to no window.
  if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
  try {
    throw;
  } catch (const CException& error) {
    ShowErrorReport(owner, ReportCommandError(error, false));
  } catch (const std::bad_alloc&) {
    ShowErrorReport(owner, ReportCommandError(CMemoryException(), false));
  } catch (...) {
    ShowErrorReport(owner, ReportCommandError(CAppException(IDS_INTERNAL_ERROR), false));
  }
}
