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
  // While the returned application object lives, calls the application rejects because it is
  // busy (a cell in edit mode) are retried for up to two seconds each. The object must not
  // outlive this one.
  std::unique_ptr<ISpreadsheetApp> GetRunningApp(const std::string& progId) override;

 private:
  std::map<std::string, MemberIds> ids_;
};

}  // namespace zel::win32
