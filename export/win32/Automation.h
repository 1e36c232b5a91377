#pragma once
// Late-bound automation of a running spreadsheet application. Needs COM initialised as a
// single-threaded apartment on the calling thread (the main thread is).
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

  // While the returned application object lives, calls the application rejects because it is
  // busy (a cell in edit mode) are retried for up to two seconds each. The object must not
  // outlive this one. The application is held for a moment after each row (kHoldMs), so that
  // the next row does not look it up again; no longer, or it would outlive its own window.
  std::unique_ptr<ISpreadsheetApp> GetRunningApp(const std::string& progId) override;

  static constexpr unsigned kHoldMs = 2000;
  class Holder;

 private:
  std::map<std::string, MemberIds> ids_;
  std::unique_ptr<Holder> holder_;
};

}  // namespace zel::win32
