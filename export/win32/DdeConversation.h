#pragma once
// The DDE client conversation over DDEML: one client instance per process, Unicode throughout.
#include <windows.h>

#include <ddeml.h>

#include <optional>
#include <string>

#include "app/win32/Owners.h"
#include "export/SpreadsheetLink.h"

namespace zel::win32 {

// DdeDisconnect, noting a conversation that DDEML would not let go.
void EndConversation(HCONV conv);
using UniqueHConv = UniqueHandle<HCONV, EndConversation>;

class Win32DdeConversation final : public IDdeConversation {
 public:
  // serviceApplication: the command line started when a first connect fails ("" = none).
  explicit Win32DdeConversation(std::string serviceApplication = "Excel");
  ~Win32DdeConversation() override = default;

  void SetTarget(const std::string& service, const std::string& topic) override;
  bool Connect(int timeoutMs) override;
  bool ConnectedTo(const std::string& service, const std::string& topic) override {
    return conv_ && service == service_ && topic == topic_;
  }
  std::optional<std::string> RequestText(const std::string& item, int timeoutMs) override;
  DdeOutcome ExecuteCommand(const std::string& command, int timeoutMs) override;
  void Disconnect() override;

  bool Connected() const { return static_cast<bool>(conv_); }

 private:
  bool TryConnect();
  bool StartServiceApplication(int timeoutMs);

  std::string serviceApplication_;
  std::string service_;
  std::string topic_;
  UniqueHConv conv_;
};

}  // namespace zel::win32
