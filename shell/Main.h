#pragma once
// The main window as the rest of the program sees it: it owns the parts (the window with its
// layouts, page loading, the page commands, the insert, the context menu, the start-up check,
// the update), wires them to each other, and receives the Win32 windows' events.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/Global.h"
#include "app/Platform.h"
#include "shell/Ports.h"
#include "shell/WindowEvents.h"

namespace zel {

struct TfrmMainPorts;

class TfrmMain final : public IMainFormEvents,
                       public ITrayIconEvents,
                       public IApplicationEvents,
                       public IMessageLoopEvents {
 public:
  TfrmMain(TGlobals& settings, const TfrmMainPorts& ports, std::unique_ptr<IIniFile> iniFile);
  TfrmMain(const TfrmMain&) = delete;
  TfrmMain& operator=(const TfrmMain&) = delete;
  ~TfrmMain();

  void FormCreate(const std::vector<std::string>& args);

  // The main form's events.
  void FormShow() override;
  void FormHide() override;
  // The answer to a later instance; throws when the page has no pin_state (answer stays 0).
  std::intptr_t NotifyMsgReceived() override;
  void HotKey(int virtualKey) override;
  void Timer1Timer() override;
  void ReloadTimerTimer() override;

  // The tray icon's events.
  void TrayIconClick() override;
  void TrayIconDblClick() override;
  void TrayIconRightButtonUp(int x, int y) override;
  void OpenMainClick() override;
  void CloseMainClick() override;

  // The application's events.
  void ApplicationMinimize() override;
  void AppClose() override;
  void ApplicationEvents1Exception(const std::string& message);
  // Turns 0x0700 and 0x070C for the browser windows into WM_NULL; true when it changed it.
  bool AppMessageHook(std::intptr_t window, unsigned& message) override;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace zel
