#pragma once
// Late-bound automation of a running spreadsheet application. Needs COM initialised as a
// single-threaded apartment on the calling thread (the main thread is).
#include <memory>
#include <string>

#include "export/SpreadsheetLink.h"

namespace zel::win32 {

class Win32Automation final : public IAutomation {
 public:
  // While the returned application object lives, calls the application rejects because it is
  // busy (a cell in edit mode) are retried for up to two seconds each.
  std::unique_ptr<ISpreadsheetApp> GetRunningApp(const std::string& progId) override;
};

}  // namespace zel::win32
