#pragma once
// TfrmUpdateInfo, "系统升级": the update notes above the buttons "确定" and "取消", shown
// modally over the main window.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/win32/Owners.h"
#include "app/win32/Window.h"
#include "update/UpdatePorts.h"

namespace zel::win32 {

class TfrmUpdateInfo final : public Window {
 public:
  static constexpr wchar_t kClassName[] = L"ZelUpdateInfo";
  static constexpr wchar_t kPanelClassName[] = L"ZelUpdatePanel";
  static constexpr int kClientWidth = 328;
  static constexpr int kClientHeight = 191;
  static constexpr int kPanelHeight = 41;
  // Control ids: MemoInfo on the form, the buttons on Panel1.
  static constexpr int kMemoId = 100;
  static constexpr int kOkId = 101;
  static constexpr int kCancelId = 102;

  // Created hidden, centred on its owner, MemoInfo filled with the notes. Throws Win32Error.
  TfrmUpdateInfo(HWND owner, const std::vector<std::string>& notes);
  ~TfrmUpdateInfo() override;

  // Shows the form and runs its modal loop; the owner takes no input meanwhile.
  UpdateAnswer ShowModal();

 private:
  class Panel;
  void FormCreate(const std::vector<std::string>& notes);
  void btnOKClick() { EndModal(UpdateAnswer::Accepted); }
  void btnCancelClick() { EndModal(UpdateAnswer::Declined); }
  void EndModal(UpdateAnswer answer);
  void CenterOnOwner();
  // A length designed at 96 pixels per inch, at the owner's monitor's.
  int Scaled(int length) const { return ::MulDiv(length, dpi_, 96); }
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  HWND owner_;
  int dpi_;
  UniqueHFont font_;
  std::unique_ptr<Panel> Panel1;
  HWND MemoInfo = nullptr;
  HWND btnOK = nullptr;
  HWND btnCancel = nullptr;
  std::optional<UpdateAnswer> answer_;
};

// The dialog port: a new TfrmUpdateInfo for every question.
class Win32UpdateDialog final : public IUpdateDialog {
 public:
  explicit Win32UpdateDialog(HWND owner) : owner_(owner) {}
  UpdateAnswer ShowModal(const std::vector<std::string>& notes) override;

 private:
  HWND owner_;
};

}  // namespace zel::win32
