#include "SheetWindow.h"

#include <windows.h>

#include <oleacc.h>

#include "Sheet.h"

namespace sheet {

class Desk final : public zel::win32::Window {
 public:
  explicit Desk(HWND main) {
    CreateParams params;
    params.style = WS_CHILD | WS_VISIBLE;
    params.x = params.y = 0;
    params.width = 300;
    params.height = 200;
    params.parent = main;
    Create(L"XLDESK", params);
  }
};

class WorkbookPane final : public zel::win32::Window {
 public:
  WorkbookPane(HWND desk, bool nativeObjectModel) : nativeObjectModel_(nativeObjectModel) {
    CreateParams params;
    params.style = WS_CHILD | WS_VISIBLE;
    params.title = L"Book1";
    params.x = params.y = 0;
    params.width = 300;
    params.height = 200;
    params.parent = desk;
    Create(L"EXCEL7", params);
  }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_GETOBJECT && nativeObjectModel_ &&
        static_cast<LONG>(lParam) == static_cast<LONG>(OBJID_NATIVEOM)) {
      IDispatch* window = NewWorkbookWindow();
      const LRESULT result = ::LresultFromObject(IID_IDispatch, wParam, window);
      window->Release();
      return result;
    }
    if (EndsEditing(message, wParam)) return 0;
    return DefaultHandling(message, wParam, lParam);
  }

 private:
  bool nativeObjectModel_;
};

std::unique_ptr<MainWindow> MainWindow::ForRole(const std::string& role) {
  if (role == "excel" || role == "excel-ole-only") return std::make_unique<MainWindow>(true);
  // Excel without automation still has its windows; its pane has no object to hand out.
  if (role == "excel-dde-only") return std::make_unique<MainWindow>(false);
  return nullptr;
}

MainWindow::MainWindow(bool nativeObjectModel) {
  CreateParams params;
  params.style = WS_OVERLAPPEDWINDOW;
  params.title = L"Microsoft Excel - Book1";
  params.x = params.y = 40;
  params.width = 320;
  params.height = 240;
  Create(L"XLMAIN", params);
  desk_ = std::make_unique<Desk>(Handle());
  pane_ = std::make_unique<WorkbookPane>(desk_->Handle(), nativeObjectModel);
  ::ShowWindow(Handle(), SW_SHOW);
}

MainWindow::~MainWindow() = default;

}  // namespace sheet
