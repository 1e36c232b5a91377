#pragma once
// Late-bound automation of a running spreadsheet application, called from a thread of its own.
#include <map>
#include <memory>
#include <string>

#include "export/SpreadsheetLink.h"

namespace zel::win32 {

// Member ids by name, one table per application class.
using MemberIds = std::map<std::wstring, long>;

class Win32Automation final : public IAutomation {
 public:
  Win32Automation();
  ~Win32Automation() override;
  Win32Automation(const Win32Automation&) = delete;
  Win32Automation& operator=(const Win32Automation&) = delete;

  // The instance whose main window stands in front, where the application's windows are
  // known (Excel), else the one the running object table knows. Calls the application rejects
  // because it is busy (a cell in edit mode, a dialog) are retried for up to two seconds each,
  // then reported busy; a call not answered within its time-out is given up and reported late
  // (cancelled where the platform can; the application may still carry it out). The returned
  // object must not outlive this one.
  // The application is held for a moment after each row (kHoldMs), so that the next row does
  // not look it up again; no longer, or it would outlive its own window.
  std::unique_ptr<ISpreadsheetApp> GetRunningApp(const std::string& progId, int timeoutMs) override;

  static constexpr unsigned kHoldMs = 2000;
  class Applications;
  class CallThread;

 private:
  std::shared_ptr<CallThread> thread_;
};

}  // namespace zel::win32
