#pragma once
// Excel's windows as other programs see them: the main window (class "XLMAIN"), its desktop
// ("XLDESK") and the workbook pane ("EXCEL7"), which hands out the workbook's Window object to
// AccessibleObjectFromWindow(OBJID_NATIVEOM). Several instances run side by side, each with
// its own windows and grid.
#include <memory>
#include <string>

#include "app/win32/Window.h"

namespace sheet {

class WorkbookPane;
class Desk;

class MainWindow final : public zel::win32::Window {
 public:
  // The windows of an Excel role, shown; nullptr for roles whose window class is not Excel's.
  static std::unique_ptr<MainWindow> ForRole(const std::string& role);
  MainWindow(bool nativeObjectModel);
  ~MainWindow() override;

 private:
  std::unique_ptr<Desk> desk_;
  std::unique_ptr<WorkbookPane> pane_;
};

}  // namespace sheet
