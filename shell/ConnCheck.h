#pragma once
// The start-up reachability check of the three service pages, run on its own thread.
#include <atomic>
#include <functional>
#include <string>

#include "app/Global.h"

#include "shell/Ports.h"

namespace zel {

class TThreadNetConnCheck {
 public:
  TThreadNetConnCheck(IConnectivity& connectivity, std::atomic<int>& state, std::string narrowUrl,
                      std::string miniUrl, std::string wideUrl);
  // The thread body. Never throws: it is a thread entry.
  void Execute() noexcept;

 private:
  IConnectivity& connectivity_;
  std::atomic<int>& state_;
  std::string narrowUrl_, miniUrl_, wideUrl_;
};

inline constexpr char kConnectFailedMessage[] = "网络连接失败，请查看！";

struct TStartupCheckPorts {
  IConnectivity& connectivity;
  IThreadStarter& threads;
  // Polls the thread's outcome (Timer1).
  ITimer& Timer1;
  IDialogs& dialogs;
};

// The check at start: the three pages are tried on a thread of their own; a wide page out of
// reach is told to the user and ends the program.
class TStartupCheck {
 public:
  TStartupCheck(TGlobals& settings, TStartupCheckPorts ports, std::function<void()> appClose);

  void StartConnectivityCheck();
  void Timer1Timer();
  void ShowErrorMsg(const std::string& text);

 private:
  TGlobals& settings_;
  TStartupCheckPorts ports_;
  std::function<void()> appClose_;
};

}  // namespace zel
